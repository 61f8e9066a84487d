#include "file_dialog.h"

#include <QStringList>

namespace trelka {

namespace {

QString FilterText(std::span<const FileFilter> filters) {
  QStringList parts;
  for (const FileFilter& filter : filters) {
    parts << QString::fromUtf8(filter.description.data(),
                               static_cast<qsizetype>(filter.description.size()))
          << QString::fromUtf8(filter.pattern.data(),
                               static_cast<qsizetype>(filter.pattern.size()));
  }
  return parts.join(u'|');
}

}  // namespace

FileDialog::FileDialog(Prompts& prompts, Prompts::FileKind kind,
                       std::span<const FileFilter> filters, const std::string& file_name)
    : prompts_(prompts), kind_(kind), filter_(FilterText(filters)), file_name_(file_name) {}

std::optional<Prompts::FileAnswer> FileDialog::Execute(QWidget* parent, int filter_index) {
  return prompts_.AskFileName(parent, {kind_, filter_, FileName(), filter_index});
}

}  // namespace trelka
