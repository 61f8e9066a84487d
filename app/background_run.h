// A conversion run on a worker thread, so that the window's event loop keeps running while
// pages arrive. The run's window operations are carried to the GUI thread in the order the
// run makes them, progress coalesced to its latest count; the check box is read once, when
// the run starts, since it cannot change during a run.
#pragma once

#include <QObject>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "conversion_run.h"
#include "platform/cancel_signal.h"

namespace trelka {

class BackgroundRun final : public QObject, private RunWindow {
 public:
  // Called on the GUI thread when a run has ended by itself; get() on outcome returns, or
  // raises what ended the run.
  using Ended = std::function<void(std::future<void> outcome)>;

  // window is the GUI thread's side of the run's operations; pages, settings and
  // result_document are handed to every run, which alone touches them while it goes on.
  explicit BackgroundRun(RunWindow& window, PageSource& pages, RunSettings settings,
                         Utf8Document& result_document, Ended ended);
  ~BackgroundRun() override;
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;

  // Converts the waypoint file at path; window's operations and then ended follow on the GUI
  // thread. Only while no run is going on.
  void Start(const std::string& path);
  [[nodiscard]] bool Running() const { return thread_.joinable(); }
  // Ends a going run within ~100 ms and waits for it; nothing more of it reaches the window,
  // ended included.
  void Cancel();

 private:
  // The run's side, called on the worker.
  void DisableCheckBox() override;
  void DisableSaveButton() override;
  void ShowProgress(int index, int total) override;
  bool ReadCheckBox() override { return include_terrain_; }
  void EnableSaveButton() override;

  void Post(std::function<void()> operation);
  void ShowLatestProgress();
  void Finish();

  RunWindow& window_;
  PageSource& pages_;
  RunSettings settings_;
  Utf8Document& result_document_;
  Ended ended_;

  bool include_terrain_ = false;
  std::unique_ptr<CancelSignal> cancel_;
  std::future<void> outcome_;
  std::thread thread_;

  // The latest count, and whether a call to show it is on its way to the GUI thread.
  std::mutex progress_mutex_;
  int index_ = 0;
  int total_ = 0;
  bool progress_posted_ = false;
};

}  // namespace trelka
