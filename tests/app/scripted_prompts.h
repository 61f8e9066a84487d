// Prompts for the window's tests: file dialogs answer from a queue, errors are recorded.
#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "prompts.h"

namespace trelka::testing {

class ScriptedPrompts final : public Prompts {
 public:
  struct Error {
    QString title;
    QString text;
  };

  ScriptedPrompts() = default;

  // The next dialog accepts name; CancelNext makes it cancel.
  void AcceptNext(const QString& name) { answers.push_back({true, name}); }
  void CancelNext() { answers.push_back({false, {}}); }

  std::optional<QString> AskFileName(QWidget* /*parent*/, const FileRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) {
      unexpected_dialogs++;
      return std::nullopt;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    if (!answer.accept) return std::nullopt;
    return answer.name;
  }
  void ShowError(QWidget* /*parent*/, const QString& title, const QString& text) override {
    errors.push_back({title, text});
  }

  struct Answer {
    bool accept = false;
    QString name;
  };
  std::deque<Answer> answers;
  std::vector<FileRequest> requests;
  std::vector<Error> errors;
  int unexpected_dialogs = 0;
};

}  // namespace trelka::testing
