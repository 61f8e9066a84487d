// TForm1, the tool's one window: a check box choosing terrain descriptions, the file button
// that converts a waypoint file, the save button that writes the result, and the progress
// label. The conversion itself is trelka::Run's, on a worker thread (BackgroundRun), so that
// the window keeps painting and can be closed while pages arrive; the window supplies the
// operations the run uses and keeps its controls in step with what ResultDocument holds.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <future>
#include <string>

#include "background_run.h"
#include "conversion_run.h"
#include "file_dialog.h"
#include "page_client.h"
#include "prompts.h"
#include "shape_edits.h"
#include "utf8_document.h"

class TForm1 final : public QWidget, public trelka::RunWindow {
  Q_OBJECT

 public:
  // Pages are requested from page_service_address ("http://host[:port]").
  explicit TForm1(trelka::Prompts& prompts, std::string page_service_address,
                  QWidget* parent = nullptr);

  // The operations of the conversion run, on the GUI thread; BackgroundRun brings them there.
  void DisableCheckBox() override;
  void DisableSaveButton() override;
  // Paints the label and the window before returning, so that the count shown is never
  // behind the one given.
  void ShowProgress(int index, int total) override;
  bool ReadCheckBox() override;
  void EnableSaveButton() override;

  // The handlers; Sender is the clicked control, which they do not need.
  void Button1Click(QObject* Sender);
  void Button2Click(QObject* Sender);
  void CheckBox1Click(QObject* Sender);

  // Converts the waypoint file name as if it had been accepted in OpenDialog1: a file named
  // on the command line or dropped on the window. A relative name is taken from the working
  // folder.
  void OpenWaypointFile(const QString& name);

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

  // Replaced by every run, written by the save button. Empty until the first run. It holds
  // GPX 1.1; ResultGpx10Edits turn it into GPX 1.0, which SaveDialog1's second entry saves.
  trelka::Utf8Document ResultDocument;
  trelka::ShapeEdits ResultGpx10Edits;

 protected:
  // Closing during a run cancels it; the window closes at once, showing nothing of the run.
  void closeEvent(QCloseEvent* event) override;
  // One waypoint file may be dropped on the window while no run is going on.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Runs on OpenDialog1's name if it denotes an existing file, with every control disabled.
  void StartRun();
  void RunEnded(std::future<void> outcome);
  // The controls a run disabled that its end gives back, whatever the end.
  void BecomeIdle();

  trelka::Prompts& prompts_;
  std::string page_service_address_;
  QString application_title_;
  // Last, so that it ends a going run before anything the run uses goes away.
  trelka::BackgroundRun run_;
};

// The window of the running program; set by start-up.
extern TForm1* Form1;
