// A file dialog component of the window: its kind and filter, shown pre-filled with the name
// the window's logic keeps for it. Showing the dialog itself is the Prompts' task.
#pragma once

#include <QString>
#include <optional>
#include <span>
#include <string>

#include "prompts.h"
#include "window_logic.h"

namespace trelka {

class FileDialog {
 public:
  // file_name is the name the dialog shows when it opens, kept by its owner (the window's
  // logic), which must outlive the dialog.
  FileDialog(Prompts& prompts, Prompts::FileKind kind, std::span<const FileFilter> filters,
             const std::string& file_name);

  // Shows the dialog with the entry filter_index chosen; the accepted name and the entry then
  // chosen, or nothing when it was cancelled.
  [[nodiscard]] std::optional<Prompts::FileAnswer> Execute(QWidget* parent, int filter_index = 0);

  // The name the dialog shows when it opens next.
  [[nodiscard]] QString FileName() const { return QString::fromStdString(file_name_); }
  // The entries as "description|pattern", joined by "|".
  [[nodiscard]] const QString& Filter() const { return filter_; }

 private:
  Prompts& prompts_;
  Prompts::FileKind kind_;
  QString filter_;
  const std::string& file_name_;
};

}  // namespace trelka
