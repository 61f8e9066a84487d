// The seam between the window and the modal dialogs it shows: asking for a file name,
// showing a failure or a note, and asking what to do after a failed page. QtPrompts is the
// real thing; tests script their own answers.
#pragma once

#include <QString>
#include <optional>

#include "run/conversion_run.h"

class QWidget;

namespace trelka {

class Prompts {
 public:
  enum class FileKind { kOpen, kSave };

  struct FileRequest {
    FileKind kind = FileKind::kOpen;
    // Filter entries as "description|pattern", several joined by "|".
    QString filter;
    // Shown pre-filled; empty for none.
    QString file_name;
    // The filter entry shown chosen, from 0.
    int filter_index = 0;
  };

  struct FileAnswer {
    QString name;
    // The filter entry chosen when the name was accepted, from 0.
    int filter_index = 0;
  };

  virtual ~Prompts() = default;

  // The name the user accepted, or nothing when the dialog was cancelled.
  [[nodiscard]] virtual std::optional<FileAnswer> AskFileName(QWidget* parent,
                                                              const FileRequest& request) = 0;

  // A modal box with an error icon and one OK button; returns when it is closed.
  virtual void ShowError(QWidget* parent, const QString& title, const QString& text) = 0;

  // A modal box with an information icon and one OK button; returns when it is closed.
  virtual void ShowInformation(QWidget* parent, const QString& title, const QString& text) = 0;

  // A modal box with an error icon and a button for each of kFailedPageChoices (the first the
  // default, the last what Escape and closing choose); returns the answer chosen.
  [[nodiscard]] virtual AfterFailedPage AskAfterFailedPage(QWidget* parent, const QString& title,
                                                           const QString& text) = 0;
};

}  // namespace trelka
