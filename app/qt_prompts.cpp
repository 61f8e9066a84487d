#include "qt_prompts.h"

#include <QPushButton>

#include "window_logic.h"

namespace trelka {

QStringList QtPrompts::NameFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    QString description = parts[i];
    // Qt takes the blank before "(" as the separator; a description's own trailing blank
    // already is one.
    if (!description.endsWith(u' ')) description += u' ';
    filters << description + u'(' + patterns + u')';
  }
  return filters;
}

int QtPrompts::EntryIndex(const QStringList& name_filters, const QString& selected) {
  for (qsizetype i = 0; i < name_filters.size(); ++i) {
    if (name_filters[i] == selected ||
        name_filters[i].startsWith(selected + QStringLiteral(" ("))) {
      return static_cast<int>(i);
    }
  }
  return 0;
}

std::unique_ptr<QFileDialog> QtPrompts::MakeFileDialog(QWidget* parent,
                                                       const FileRequest& request) {
  auto dialog = std::make_unique<QFileDialog>(parent);
  dialog->setAcceptMode(request.kind == FileKind::kOpen ? QFileDialog::AcceptOpen
                                                        : QFileDialog::AcceptSave);
  // The file button's handler tests existence itself.
  dialog->setFileMode(QFileDialog::AnyFile);
  const QStringList filters = NameFilters(request.filter);
  dialog->setNameFilters(filters);
  dialog->setOption(QFileDialog::HideNameFilterDetails, true);
  dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog->setDefaultSuffix(QString());
  dialog->setSizeGripEnabled(true);
  dialog->setWindowModality(Qt::ApplicationModal);
  // After the options: hiding the patterns fills the list of entries anew.
  if (request.filter_index > 0 && request.filter_index < filters.size()) {
    dialog->selectNameFilter(filters[request.filter_index]);
  }
  if (!request.file_name.isEmpty()) dialog->selectFile(request.file_name);
  return dialog;
}

std::optional<Prompts::FileAnswer> QtPrompts::AskFileName(QWidget* parent,
                                                          const FileRequest& request) {
  const auto dialog = MakeFileDialog(parent, request);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog->selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
  return FileAnswer{files.front(),
                    EntryIndex(NameFilters(request.filter), dialog->selectedNameFilter())};
}

namespace {

// The text is shown as plain text: failure messages may quote what a server sent.
std::unique_ptr<QMessageBox> MakeBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                     const QString& text, QMessageBox::StandardButtons buttons) {
  auto box = std::make_unique<QMessageBox>(icon, title, text, buttons, parent);
  box->setTextFormat(Qt::PlainText);
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}

}  // namespace

std::unique_ptr<QMessageBox> QtPrompts::MakeErrorBox(QWidget* parent, const QString& title,
                                                     const QString& text) {
  return MakeBox(parent, QMessageBox::Critical, title, text, QMessageBox::Ok);
}

std::unique_ptr<QMessageBox> QtPrompts::MakeInformationBox(QWidget* parent, const QString& title,
                                                           const QString& text) {
  return MakeBox(parent, QMessageBox::Information, title, text, QMessageBox::Ok);
}

std::unique_ptr<QMessageBox> QtPrompts::MakeFailedPageBox(QWidget* parent, const QString& title,
                                                          const QString& text) {
  auto box = MakeBox(parent, QMessageBox::Critical, title, text, QMessageBox::NoButton);
  for (const FailedPageChoice& choice : kFailedPageChoices) {
    QPushButton* button = box->addButton(
        QString::fromUtf8(choice.text.data(), static_cast<qsizetype>(choice.text.size())),
        choice.answer == AfterFailedPage::kEndRun ? QMessageBox::RejectRole
                                                  : QMessageBox::AcceptRole);
    button->setProperty(kAnswerProperty, static_cast<int>(choice.answer));
    if (choice.answer == kFailedPageChoices.front().answer) box->setDefaultButton(button);
    if (choice.answer == kFailedPageChoices.back().answer) box->setEscapeButton(button);
  }
  return box;
}

void QtPrompts::ShowError(QWidget* parent, const QString& title, const QString& text) {
  MakeErrorBox(parent, title, text)->exec();
}

void QtPrompts::ShowInformation(QWidget* parent, const QString& title, const QString& text) {
  MakeInformationBox(parent, title, text)->exec();
}

AfterFailedPage QtPrompts::AskAfterFailedPage(QWidget* parent, const QString& title,
                                              const QString& text) {
  const auto box = MakeFailedPageBox(parent, title, text);
  box->exec();
  // Closing the box clicks its escape button.
  const QAbstractButton* clicked = box->clickedButton();
  if (clicked == nullptr) return kFailedPageChoices.back().answer;
  return static_cast<AfterFailedPage>(clicked->property(kAnswerProperty).toInt());
}

}  // namespace trelka
