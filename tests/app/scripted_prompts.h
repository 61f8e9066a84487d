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

  // The next dialog accepts name, with the filter entry filter_index chosen; CancelNext makes
  // it cancel.
  void AcceptNext(const QString& name, int filter_index = 0) {
    answers.push_back({true, name, filter_index});
  }
  void CancelNext() { answers.push_back({false, {}, 0}); }

  std::optional<FileAnswer> AskFileName(QWidget* /*parent*/, const FileRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) {
      unexpected_dialogs++;
      return std::nullopt;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    if (!answer.accept) return std::nullopt;
    return FileAnswer{answer.name, answer.filter_index};
  }
  void ShowError(QWidget* /*parent*/, const QString& title, const QString& text) override {
    errors.push_back({title, text});
  }

  struct Answer {
    bool accept = false;
    QString name;
    int filter_index = 0;
  };
  std::deque<Answer> answers;
  std::vector<FileRequest> requests;
  std::vector<Error> errors;
  int unexpected_dialogs = 0;
};

}  // namespace trelka::testing
