// A file dialog component of the window: its filter, and the name and filter entry last
// accepted in it, which the next opening shows pre-filled and chosen. Showing the dialog itself is
// the Prompts' task.
#pragma once

#include <QString>

#include "prompts.h"

namespace trelka {

class FileDialog {
 public:
  // filter as "description|pattern"; see Prompts::FileRequest.
  explicit FileDialog(Prompts& prompts, Prompts::FileKind kind, QString filter);

  // Shows the dialog; true when a name was accepted, which FileName() then holds, and
  // FilterIndex() the entry chosen. A cancelled dialog leaves both as they were.
  bool Execute(QWidget* parent);

  [[nodiscard]] const QString& FileName() const { return file_name_; }
  // A name chosen elsewhere, which the next opening shows as if it had been accepted here.
  void SetFileName(const QString& name) { file_name_ = name; }
  [[nodiscard]] const QString& Filter() const { return filter_; }
  // The filter entry last chosen, from 0.
  [[nodiscard]] int FilterIndex() const { return filter_index_; }

 private:
  Prompts& prompts_;
  Prompts::FileKind kind_;
  QString filter_;
  QString file_name_;
  int filter_index_ = 0;
};

}  // namespace trelka
