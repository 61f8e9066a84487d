// The run's page requests, made ahead on threads of their own while the run works on the
// page before: requests start in the order they are asked for, at most `connections` at a
// time, and their pages are handed back in that same order, whatever order they arrive in.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "page_source.h"
#include "platform/cancel_signal.h"

namespace trelka {

class PagePipeline {
 public:
  static constexpr int kMaxConnections = 8;
  // How often a Next that waits looks at the cancel signal.
  static constexpr std::chrono::milliseconds kCancelCheck{20};

  // Whether a failed request stops the requests that have not started yet (the run ends at
  // it) or not (the run goes on without that page).
  enum class AfterFailure { kStartNoMore, kGoOn };

  // Starts `connections` (1 to kMaxConnections) threads that fetch from pages. Waiting in
  // Next watches cancel.
  PagePipeline(PageSource& pages, int connections, const CancelSignal& cancel,
               AfterFailure after_failure = AfterFailure::kStartNoMore);
  // Stops whatever is still being fetched (its result is thrown away) and joins the threads.
  ~PagePipeline();
  PagePipeline(const PagePipeline&) = delete;
  PagePipeline& operator=(const PagePipeline&) = delete;

  // Asks for the page at url, after every page asked for before it.
  void Request(std::string url);

  // The page of the oldest request not yet handed back, once it has arrived; raises its
  // failure instead, or RunCancelled when cancel is signalled while waiting. With
  // kStartNoMore, no request that has not started yet is made after a failure.
  [[nodiscard]] std::string Next();

 private:
  struct Slot {
    std::string url;
    std::string page;
    std::exception_ptr failure;
    bool done = false;
  };

  void Fetch();

  PageSource& pages_;
  const CancelSignal& cancel_;
  AfterFailure after_failure_;
  CancelSignal stop_;  // ends the fetchers' own waits
  std::mutex mutex_;
  std::condition_variable work_;     // a request to start, or stopping
  std::condition_variable arrived_;  // a slot is done
  std::deque<Slot> slots_;           // requests not yet handed back, oldest first
  std::uint64_t first_ = 0;          // the number of the request in slots_.front()
  std::uint64_t started_ = 0;        // requests a fetcher has taken
  bool stopping_ = false;
  bool failed_ = false;
  std::vector<std::thread> fetchers_;
};

}  // namespace trelka
