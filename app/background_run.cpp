#include "background_run.h"

#include <QCoreApplication>
#include <utility>

namespace trelka {

BackgroundRun::BackgroundRun(RunWindow& window, PageSource& pages, RunSettings settings,
                             Utf8Document& result_document, Ended ended)
    : window_(window),
      pages_(pages),
      settings_(std::move(settings)),
      result_document_(result_document),
      ended_(std::move(ended)) {}

BackgroundRun::~BackgroundRun() { Cancel(); }

void BackgroundRun::Start(const std::string& path) {
  include_terrain_ = window_.ReadCheckBox();
  cancel_ = std::make_unique<CancelSignal>();
  progress_posted_ = false;
  // The task keeps whatever ends the run for get(), so that it is raised, and shown, on the
  // GUI thread.
  std::packaged_task<void()> task(
      [this, path] { Run(path, *this, pages_, settings_, result_document_, *cancel_); });
  outcome_ = task.get_future();
  thread_ = std::thread([this, task = std::move(task)]() mutable {
    task();
    Post([this] { Finish(); });
  });
}

void BackgroundRun::Cancel() {
  if (!Running()) return;
  cancel_->Cancel();
  thread_.join();
  // What the run had sent on its way is dropped: once cancelled, it shows nothing.
  QCoreApplication::removePostedEvents(this);
  outcome_ = {};
}

void BackgroundRun::DisableCheckBox() {
  Post([this] { window_.DisableCheckBox(); });
}

void BackgroundRun::DisableSaveButton() {
  Post([this] { window_.DisableSaveButton(); });
}

void BackgroundRun::ShowProgress(int index, int total) {
  const std::lock_guard lock(progress_mutex_);
  index_ = index;
  total_ = total;
  // A count that comes while the one before has not been shown yet replaces it.
  if (progress_posted_) return;
  progress_posted_ = true;
  Post([this] { ShowLatestProgress(); });
}

void BackgroundRun::EnableSaveButton() {
  Post([this] { window_.EnableSaveButton(); });
}

void BackgroundRun::Post(std::function<void()> operation) {
  QMetaObject::invokeMethod(this, std::move(operation), Qt::QueuedConnection);
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
