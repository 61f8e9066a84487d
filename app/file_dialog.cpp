#include "file_dialog.h"

#include <utility>

namespace trelka {

FileDialog::FileDialog(Prompts& prompts, Prompts::FileKind kind, QString filter)
    : prompts_(prompts), kind_(kind), filter_(std::move(filter)) {}

bool FileDialog::Execute(QWidget* parent) {
  const auto accepted = prompts_.AskFileName(parent, {kind_, filter_, file_name_, filter_index_});
  if (!accepted) return false;
  file_name_ = accepted->name;
  filter_index_ = accepted->filter_index;
  return true;
}

}  // namespace trelka
