#include "run/page_pipeline.h"

#include <algorithm>
#include <stdexcept>

#include "http/http_url.h"
#include "platform/failure.h"

namespace trelka {

PagePipeline::PagePipeline(PageSource& pages, WaypointReader& waypoints,
                           std::string page_service_address, int connections,
                           const CancelSignal& cancel, AfterFailure after_failure)
    : pages_(pages),
      waypoints_(waypoints),
      page_service_address_(std::move(page_service_address)),
      cancel_(cancel),
      after_failure_(after_failure) {
  const int threads = std::clamp(connections, 1, kMaxConnections);
  // One connection is asked for a few pages ahead, in batches, so that neither it nor the run
  // waits for the other at every page; being one, it still starts nothing after a failed page
  // of its own. Several connections are asked for no more than they fetch at once, as each
  // page is handed back, so that at most N - 1 pages are asked for after a failed one.
  if (threads == 1) {
    ahead_ = kOneConnectionAhead;
    refill_at_ = kOneConnectionAhead / 2;
  } else {
    ahead_ = static_cast<std::size_t>(threads);
    refill_at_ = ahead_ - 1;
  }
  for (int i = 0; i < threads; ++i) fetchers_.emplace_back([this] { Fetch(); });
}

PagePipeline::~PagePipeline() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_.Cancel();
  work_.notify_all();
  for (std::thread& fetcher : fetchers_) fetcher.join();
}

bool PagePipeline::AtEnd() {
  const std::lock_guard lock(mutex_);
  return slots_.empty() && waypoints_.AtEnd();
}

void PagePipeline::RequestAhead() {
  std::size_t added = 0;
  {
    const std::lock_guard lock(mutex_);
    if (slots_.size() > refill_at_) return;
    while (slots_.size() < ahead_ && !waypoints_.AtEnd()) {
      WaypointRecord waypoint = ParseWaypointLine(waypoints_.ReadLine());
      std::string url = CachePageUrl(page_service_address_, waypoint.id);
      slots_.push_back({std::move(waypoint), std::move(url), {}, {}, false});
      ++added;
    }
  }
  for (; added > 0; --added) work_.notify_one();
}

bool PagePipeline::EndsRun(const std::exception_ptr& failure) const {
  if (after_failure_ == AfterFailure::kEndRun) return true;
  try {
    std::rethrow_exception(failure);
  } catch (const FileFailure&) {
    return true;
  } catch (const Failure&) {
    return false;
  } catch (...) {
    return true;  // not a failure of the page: memory, cancellation
  }
}

void PagePipeline::Fetch() {
  for (;;) {
    std::unique_lock lock(mutex_);
    work_.wait(lock,
               [this] { return stopping_ || (!failed_ && started_ < first_ + slots_.size()); });
    if (stopping_) return;
    // A deque keeps its elements in place as it grows and as others leave its front, and
    // this one cannot leave before it is done.
    Slot& slot = slots_[started_++ - first_];
    const std::string url = slot.url;
    lock.unlock();

    Page page;
    std::exception_ptr failure;
    try {
      page = pages_.Get(url, stop_);
    } catch (...) {
      failure = std::current_exception();
    }
    const bool ends_run = failure && EndsRun(failure);

    lock.lock();
    slot.page = std::move(page);
    slot.failure = failure;
    slot.done = true;
    if (ends_run) failed_ = true;
    lock.unlock();
    arrived_.notify_one();
  }
}

FetchedPage PagePipeline::Next() {
  RequestAhead();
  std::unique_lock lock(mutex_);
  if (slots_.empty()) throw std::logic_error("PagePipeline::Next at the end");
  while (!slots_.front().done) {
    cancel_.ThrowIfCancelled();
    // A condition variable rather than a poll on the cancel signal's descriptor: it costs no
    // system call where the page is there already, and one where it is not.
    arrived_.wait_for(lock, kCancelCheck);
  }
  Slot slot = std::move(slots_.front());
  slots_.pop_front();
  ++first_;
  lock.unlock();
  if (slot.failure && EndsRun(slot.failure)) std::rethrow_exception(slot.failure);
  RequestAhead();  // the next pages come while this one is worked on
  return {std::move(slot.waypoint), std::move(slot.page), std::move(slot.failure)};
}

}  // namespace trelka
