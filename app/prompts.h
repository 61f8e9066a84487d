// The seam between the window and the modal dialogs it shows: asking for a file name and
// showing a failure. QtPrompts is the real thing; tests script their own answers.
#pragma once

#include <QString>
#include <optional>

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
};

}  // namespace trelka
