// A polite pace for a small page service: after each request, a connection pauses before its
// next one. A run's connections are its fetching threads, one exchange at a time each, so the
// pause is kept per calling thread; the first request of each goes out at once. The pause
// watches the run's cancel signal.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "http/page_source.h"
#include "platform/cancel_signal.h"

namespace trelka {

class PacedPages final : public PageSource {
 public:
  // pages must outlive this source.
  PacedPages(PageSource& pages, std::chrono::milliseconds pause) : pages_(pages), pause_(pause) {}

  // Forgets the threads of an earlier run.
  void StartRun() override;

  // The page from pages, asked for no sooner than pause after the calling thread's last
  // request ended, however that ended. Safe to call from several threads at once.
  [[nodiscard]] Page Get(const std::string& url, const CancelSignal& cancel) override;

 private:
  void Ended(std::thread::id thread);

  PageSource& pages_;
  std::chrono::milliseconds pause_;
  std::mutex mutex_;
  std::map<std::thread::id, Deadline> ended_;  // when each thread's last request ended
};

}  // namespace trelka
