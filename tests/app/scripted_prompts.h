// Prompts for the window's tests: file dialogs and failed-page questions answer from queues,
// boxes are recorded. A dialog or question with no answer queued counts as unexpected; such a
// question ends the run.
#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "prompts.h"

namespace trelka::testing {

class ScriptedPrompts final : public Prompts {
 public:
  struct Box {
    QString title;
    QString text;
  };
  using Error = Box;

  ScriptedPrompts() = default;

  // The next dialog accepts name, with the filter entry filter_index chosen; CancelNext makes
  // it cancel.
  void AcceptNext(const QString& name, int filter_index = 0) {
    answers.push_back({true, name, filter_index});
  }
  void CancelNext() { answers.push_back({false, {}, 0}); }
  // The next failed page is answered with answer.
  void AnswerNextFailedPage(AfterFailedPage answer) { failed_page_answers.push_back(answer); }

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
  void ShowInformation(QWidget* /*parent*/, const QString& title, const QString& text) override {
    informations.push_back({title, text});
  }
  AfterFailedPage AskAfterFailedPage(QWidget* /*parent*/, const QString& title,
                                     const QString& text) override {
    questions.push_back({title, text});
    if (failed_page_answers.empty()) {
      unexpected_dialogs++;
      return AfterFailedPage::kEndRun;
    }
    const AfterFailedPage answer = failed_page_answers.front();
    failed_page_answers.pop_front();
    return answer;
  }

  struct Answer {
    bool accept = false;
    QString name;
    int filter_index = 0;
  };
  std::deque<Answer> answers;
  std::deque<AfterFailedPage> failed_page_answers;
  std::vector<FileRequest> requests;
  std::vector<Box> errors;
  std::vector<Box> informations;
  std::vector<Box> questions;  // asked after failed pages
  int unexpected_dialogs = 0;
};

}  // namespace trelka::testing
