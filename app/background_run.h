// A conversion run on a worker thread, so that the window's event loop keeps running while
// pages arrive. What the run tells the window is carried to the GUI thread in the order the
// run says it, progress coalesced to its latest count; a failed page's question is asked
// there while the run waits for the answer. The check box is read once, when the run starts,
// since it cannot change during a run. No toolkit: each window hands in its own way of
// posting a call to its thread.
#pragma once

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/cancel_signal.h"
#include "run/conversion_run.h"

namespace trelka {

class BackgroundRun final : private RunWindow {
 public:
  // The GUI thread's side of a run.
  class Window {
   public:
    virtual ~Window() = default;
    // Shows ProgressText(index, total).
    virtual void ShowProgress(int index, int total) = 0;
    // A page failed: what the run does next. The run waits for the answer.
    [[nodiscard]] virtual AfterFailedPage AskAfterFailedPage(const WaypointRecord& waypoint,
                                                             RunPosition position,
                                                             const std::exception_ptr& failure) = 0;
    // A page without the cache name marker: its waypoint got no element.
    virtual void PageWithoutName(const WaypointRecord& waypoint, RunPosition position) = 0;
  };

  // Called on the GUI thread when a run has ended by itself; get() on outcome returns, or
  // raises what ended the run.
  using Ended = std::function<void(std::future<void> outcome)>;
  // Has the GUI thread call operation soon, in the order posted; callable from any thread.
  // Calls still on their way when the window goes must be dropped by it.
  using Post = std::function<void(std::function<void()> operation)>;

  // How often a run waiting for an answer looks at its cancel signal.
  static constexpr std::chrono::milliseconds kCancelCheck{20};

  // Pages come from pages at page_service_address, one connection at a time; each run fills
  // result_document in GPX 1.1 and gpx10_edits with what turns it into GPX 1.0, which it alone
  // touches while it goes on.
  explicit BackgroundRun(Window& window, PageSource& pages, std::string page_service_address,
                         Utf8Document& result_document, ShapeEdits& gpx10_edits, Ended ended,
                         Post post);
  ~BackgroundRun() override;
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;

  // Converts the waypoint file at path; window's calls and then ended follow on the GUI
  // thread. Only while no run is going on.
  void Start(const std::string& path, bool include_terrain);
  [[nodiscard]] bool Running() const { return thread_.joinable(); }
  // Ends a going run within ~100 ms and waits for it; nothing more of it reaches the window,
  // ended included.
  void Cancel();

 private:
  // The run's side, called on the worker. The controls a run turns off and on are the
  // window's to set when it starts and ends the run; only progress goes across.
  void DisableCheckBox() override {}
  void DisableSaveButton() override {}
  void ShowProgress(int index, int total) override;
  bool ReadCheckBox() override { return include_terrain_; }
  void EnableSaveButton() override {}
  AfterFailedPage AskAcross(const WaypointRecord& waypoint, RunPosition position,
                            const std::exception_ptr& failure);

  // Posts operation, to be dropped if the run is cancelled before it is called.
  void PostForThisRun(std::function<void()> operation);
  void ShowLatestProgress();
  void Finish();

  Window& window_;
  PageSource& pages_;
  RunSettings settings_;
  Utf8Document& result_document_;
  Ended ended_;
  Post post_;
  // Counts the runs started and cancelled; a posted call of an earlier one does nothing.
  std::atomic<unsigned> generation_{0};

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
