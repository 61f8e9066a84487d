#include "page_pipeline.h"

#include <algorithm>
#include <stdexcept>

namespace trelka {

PagePipeline::PagePipeline(PageSource& pages, int connections, const CancelSignal& cancel,
                           AfterFailure after_failure)
    : pages_(pages), cancel_(cancel), after_failure_(after_failure) {
  const int threads = std::clamp(connections, 1, kMaxConnections);
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

void PagePipeline::Request(std::string url) {
  {
    const std::lock_guard lock(mutex_);
    slots_.push_back({std::move(url), {}, {}, false});
  }
  work_.notify_one();
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

    std::string page;
    std::exception_ptr failure;
    try {
      page = pages_.Get(url, stop_);
    } catch (...) {
      failure = std::current_exception();
    }

    lock.lock();
    slot.page = std::move(page);
    slot.failure = failure;
    slot.done = true;
    if (failure && after_failure_ == AfterFailure::kStartNoMore) failed_ = true;
    lock.unlock();
    arrived_.notify_one();
  }
}

std::string PagePipeline::Next() {
  std::unique_lock lock(mutex_);
  if (slots_.empty()) throw std::logic_error("PagePipeline::Next without a request");
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
  if (slot.failure) std::rethrow_exception(slot.failure);
  return std::move(slot.page);
}

}  // namespace trelka
