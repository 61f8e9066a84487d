// TForm1, the tool's one window: a check box choosing terrain descriptions, the file button
// that converts a waypoint file (and stops a going conversion), the save button that writes
// the result, and the progress label. What the window shows and does is WindowLogic's; TForm1
// shows it with Qt and tells it what the user and the run do. The conversion itself is
// trelka::Run's, on a worker thread (BackgroundRun), so that the window keeps painting, can be
// stopped and closed while pages arrive, and asks what to do when a page fails.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstddef>
#include <future>
#include <optional>
#include <string>

#include "background_run.h"
#include "document/shape_edits.h"
#include "document/utf8_document.h"
#include "file_dialog.h"
#include "http/page_client.h"
#include "prompts.h"
#include "run/kept_pages.h"
#include "window_logic.h"

class TForm1 final : public QWidget, public trelka::BackgroundRun::Window {
  Q_OBJECT

  // First, so that the dialogs can show the names it keeps.
  trelka::WindowLogic logic_;

 public:
  // The most page bytes a window keeps for its later runs.
  static constexpr std::size_t kKeptPageBytes = std::size_t{256} << 20;

  // Pages are requested from page_service_address ("http://host[:port]").
  explicit TForm1(trelka::Prompts& prompts, std::string page_service_address,
                  QWidget* parent = nullptr);

  // What the run tells the window, on the GUI thread; BackgroundRun brings it there.
  // Paints the label and the window before returning, so that the count shown is never
  // behind the one given.
  void ShowProgress(int index, int total) override;
  [[nodiscard]] trelka::AfterFailedPage AskAfterFailedPage(
      const trelka::WaypointRecord& waypoint, trelka::RunPosition position,
      const std::exception_ptr& failure) override;
  void PageWithoutName(const trelka::WaypointRecord& waypoint,
                       trelka::RunPosition position) override;

  // The handlers; Sender is the clicked control, which they do not need.
  void Button1Click(QObject* Sender);
  void Button2Click(QObject* Sender);
  void CheckBox1Click(QObject* Sender);

  // Converts the first of names (files named on the command line or dropped on the window) as
  // if it had been accepted in OpenDialog1. A relative name is taken from the working folder.
  void OpenWaypointFiles(const QStringList& names);

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
  // Closing during a run stops it; the window closes at once, showing nothing of the run.
  void closeEvent(QCloseEvent* event) override;
  // Waypoint files may be dropped on the window while no run is going on.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Starts the run the logic asked for, if any.
  void StartRun(const std::optional<trelka::WindowLogic::RunRequest>& request);
  void StopRun();
  void RunEnded(std::future<void> outcome);
  // Sets the controls to what the logic says.
  void ShowControls();

  trelka::Prompts& prompts_;
  QString application_title_;
  // Every page this window received, for its later runs.
  trelka::KeptPages kept_pages_;
  // Last, so that it ends a going run before anything the run uses goes away.
  trelka::BackgroundRun run_;
};

// The window of the running program; set by start-up.
extern TForm1* Form1;
