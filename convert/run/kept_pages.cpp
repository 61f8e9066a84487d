#include "run/kept_pages.h"

namespace trelka {

Page KeptPages::Get(const std::string& url, const CancelSignal& cancel) {
  {
    const std::lock_guard lock(mutex_);
    if (const auto kept = pages_by_url_.find(url); kept != pages_by_url_.end()) {
      return kept->second;
    }
  }
  Page page = pages_.Get(url, cancel);
  Keep(url, page.Text());
  return page;
}

std::size_t KeptPages::HeldBytes() {
  const std::lock_guard lock(mutex_);
  return held_bytes_;
}

void KeptPages::Keep(const std::string& url, std::string_view page) {
  if (page.size() > budget_) return;
  const std::lock_guard lock(mutex_);
  // Two threads may have fetched the same page; the first one kept stays.
  if (pages_by_url_.contains(url)) return;
  while (held_bytes_ + page.size() > budget_) {
    const auto oldest = pages_by_url_.find(urls_oldest_first_.front());
    held_bytes_ -= oldest->second.size();
    pages_by_url_.erase(oldest);
    urls_oldest_first_.pop_front();
  }
  pages_by_url_.emplace(url, page);
  urls_oldest_first_.push_back(url);
  held_bytes_ += page.size();
}

}  // namespace trelka
