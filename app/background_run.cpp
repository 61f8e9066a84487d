#include "background_run.h"

#include <utility>

#include "build_config.h"

namespace trelka {

BackgroundRun::BackgroundRun(Window& window, PageSource& pages, std::string page_service_address,
                             Utf8Document& result_document, ShapeEdits& gpx10_edits, Ended ended,
                             Post post)
    : window_(window),
      pages_(pages),
      settings_{std::move(page_service_address), 1},
      result_document_(result_document),
      ended_(std::move(ended)),
      post_(std::move(post)) {
  // Both shapes from every run, so that saving either makes no request.
  settings_.cache_page_address = kCachePageAddress;
  settings_.gpx10_edits = &gpx10_edits;
  settings_.on_failed_page = [this](const WaypointRecord& waypoint, RunPosition position,
                                    const std::exception_ptr& failure) {
    return AskAcross(waypoint, position, failure);
  };
  settings_.on_page_without_name = [this](const WaypointRecord& waypoint, RunPosition position) {
    PostForThisRun([this, waypoint, position] { window_.PageWithoutName(waypoint, position); });
  };
}

BackgroundRun::~BackgroundRun() { Cancel(); }

void BackgroundRun::Start(const std::string& path, bool include_terrain) {
  include_terrain_ = include_terrain;
  ++generation_;
  cancel_ = std::make_unique<CancelSignal>();
  progress_posted_ = false;
  // The task keeps whatever ends the run for get(), so that it is raised, and shown, on the
  // GUI thread.
  std::packaged_task<void()> task(
      [this, path] { Run(path, *this, pages_, settings_, result_document_, *cancel_); });
  outcome_ = task.get_future();
  thread_ = std::thread([this, task = std::move(task)]() mutable {
    task();
    PostForThisRun([this] { Finish(); });
  });
}

void BackgroundRun::Cancel() {
  if (!Running()) return;
  cancel_->Cancel();
  thread_.join();
  // What the run had sent on its way is dropped: once cancelled, it shows nothing.
  ++generation_;
  outcome_ = {};
}

void BackgroundRun::ShowProgress(int index, int total) {
  const std::lock_guard lock(progress_mutex_);
  index_ = index;
  total_ = total;
  // A count that comes while the one before has not been shown yet replaces it.
  if (progress_posted_) return;
  progress_posted_ = true;
  PostForThisRun([this] { ShowLatestProgress(); });
}

AfterFailedPage BackgroundRun::AskAcross(const WaypointRecord& waypoint, RunPosition position,
                                         const std::exception_ptr& failure) {
  // Shared with the question on its way: a cancelled run stops waiting and leaves it behind.
  auto answer = std::make_shared<std::promise<AfterFailedPage>>();
  std::future<AfterFailedPage> answered = answer->get_future();
  PostForThisRun([this, answer, waypoint, position, failure] {
    answer->set_value(window_.AskAfterFailedPage(waypoint, position, failure));
  });
  while (answered.wait_for(kCancelCheck) != std::future_status::ready) cancel_->ThrowIfCancelled();
  return answered.get();
}

void BackgroundRun::PostForThisRun(std::function<void()> operation) {
  post_([this, generation = generation_.load(), operation = std::move(operation)] {
    if (generation == generation_.load()) operation();
  });
}

void BackgroundRun::ShowLatestProgress() {
  int index = 0;
  int total = 0;
  {
    const std::lock_guard lock(progress_mutex_);
    index = index_;
    total = total_;
    progress_posted_ = false;
  }
  window_.ShowProgress(index, total);
}

void BackgroundRun::Finish() {
  thread_.join();  // it has nothing left to do but end
  ended_(std::move(outcome_));
}

}  // namespace trelka
