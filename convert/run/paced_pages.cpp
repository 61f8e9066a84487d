#include "run/paced_pages.h"

#include <optional>

namespace trelka {

void PacedPages::StartRun() {
  {
    const std::lock_guard lock(mutex_);
    ended_.clear();
  }
  pages_.StartRun();
}

void PacedPages::Ended(std::thread::id thread) {
  const std::lock_guard lock(mutex_);
  ended_[thread] = std::chrono::steady_clock::now();
}

Page PacedPages::Get(const std::string& url, const CancelSignal& cancel) {
  const std::thread::id thread = std::this_thread::get_id();
  std::optional<Deadline> next;
  {
    const std::lock_guard lock(mutex_);
    if (const auto last = ended_.find(thread); last != ended_.end()) next = last->second + pause_;
  }
  if (next) PauseUntil(*next, cancel);
  try {
    Page page = pages_.Get(url, cancel);
    Ended(thread);
    return page;
  } catch (...) {
    Ended(thread);
    throw;
  }
}

}  // namespace trelka
