// The production Prompts: a real QFileDialog and a real QMessageBox, each modal. The Make*
// functions build them without showing them, so their settings can be checked.
#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <memory>

#include "prompts.h"

namespace trelka {

class QtPrompts final : public Prompts {
 public:
  QtPrompts() = default;

  [[nodiscard]] std::optional<FileAnswer> AskFileName(QWidget* parent,
                                                      const FileRequest& request) override;
  void ShowError(QWidget* parent, const QString& title, const QString& text) override;
  void ShowInformation(QWidget* parent, const QString& title, const QString& text) override;
  [[nodiscard]] AfterFailedPage AskAfterFailedPage(QWidget* parent, const QString& title,
                                                   const QString& text) override;

  // No default suffix, no overwrite question, no existence check, resizable, modal; the
  // request's filter entry chosen.
  [[nodiscard]] static std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent,
                                                                   const FileRequest& request);
  // Every box shows its text as plain text: failure messages may quote what a server sent.
  [[nodiscard]] static std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent,
                                                                 const QString& title,
                                                                 const QString& text);
  [[nodiscard]] static std::unique_ptr<QMessageBox> MakeInformationBox(QWidget* parent,
                                                                       const QString& title,
                                                                       const QString& text);
  // The buttons carry their answers in the property kAnswerProperty.
  [[nodiscard]] static std::unique_ptr<QMessageBox> MakeFailedPageBox(QWidget* parent,
                                                                      const QString& title,
                                                                      const QString& text);
  static constexpr char kAnswerProperty[] = "answer";

  // "description|pattern|..." as Qt's "description (pattern)" entries; ";" between patterns
  // becomes the blank Qt separates them with.
  [[nodiscard]] static QStringList NameFilters(const QString& filter);
  // The index in name_filters of the entry a dialog reports as selected, which it names
  // without its patterns when it hides them; 0 when none matches.
  [[nodiscard]] static int EntryIndex(const QStringList& name_filters, const QString& selected);
};

}  // namespace trelka
