// TForm1, the tool's one window: a check box choosing terrain descriptions, the file button
// that converts a waypoint file, the save button that writes the result, and the progress
// label. The conversion itself is trelka::Run's; the window only supplies the operations the
// run uses and keeps its controls in step with what ResultDocument holds.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <string>

#include "conversion_run.h"
#include "file_dialog.h"
#include "page_client.h"
#include "prompts.h"
#include "utf8_document.h"

class TForm1 final : public QWidget, public trelka::RunWindow {
  Q_OBJECT

 public:
  // Pages are requested from page_service_address ("http://host[:port]").
  explicit TForm1(trelka::Prompts& prompts, std::string page_service_address,
                  QWidget* parent = nullptr);

  // The operations of the conversion run.
  void DisableCheckBox() override;
  void DisableSaveButton() override;
  // Paints the label and the window before returning, without an event loop pass: during a
  // run the event loop does not run.
  void ShowProgress(int index, int total) override;
  bool ReadCheckBox() override;
  void EnableSaveButton() override;

  // The handlers; Sender is the clicked control, which they do not need.
  void Button1Click(QObject* Sender);
  void Button2Click(QObject* Sender);
  void CheckBox1Click(QObject* Sender);

  // The title failure boxes carry, derived from the program's file name.
  [[nodiscard]] const QString& ApplicationTitle() const { return application_title_; }

  // The window's components, in the order they are made.
  trelka::FileDialog OpenDialog1;
  QPushButton* const Button1;
  trelka::IdHTTP IdHTTP1;
  trelka::FileDialog SaveDialog1;
  QPushButton* const Button2;
  QLabel* const Label1;
  QCheckBox* const CheckBox1;

  // Replaced by every run, written by the save button. Empty until the first run.
  trelka::Utf8Document ResultDocument;

 private:
  trelka::Prompts& prompts_;
  std::string page_service_address_;
  QString application_title_;
};

// The window of the running program; set by start-up.
extern TForm1* Form1;
