// The run's look-ahead: the waypoints' pages, requested on threads of their own while the run
// works on the page before, and handed back in waypoint order whatever order they arrive in.
// The pipeline reads the waypoints itself, so that one queue says which are asked for and
// which are handed back, and it alone applies the rule of which failure ends a run.
//
// It does not cut, compose or show anything: the run does, on its own thread.
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

#include "document/waypoint_file.h"
#include "document/waypoint_record.h"
#include "http/page_source.h"
#include "platform/cancel_signal.h"

namespace trelka {

// A waypoint with its page, or with the failure of its request.
struct FetchedPage {
  WaypointRecord waypoint;
  Page page;
  std::exception_ptr failure;  // set for a failure the run goes on past; page is then empty
};

class PagePipeline {
 public:
  static constexpr int kMaxConnections = 8;
  // How often a Next that waits looks at the cancel signal.
  static constexpr std::chrono::milliseconds kCancelCheck{20};

  // Whether a failed request ends the run (no request that has not started yet is made after
  // it) or the run goes on without that page. A FileFailure (a file the run needs cannot be
  // read or written) ends it either way: no later page can do better.
  enum class AfterFailure { kEndRun, kGoOn };

  // Starts `connections` (clamped to 1 to kMaxConnections) threads that fetch from pages the
  // cache pages at page_service_address of the waypoints read from waypoints, which must
  // outlive the pipeline. Waiting in Next watches cancel.
  PagePipeline(PageSource& pages, WaypointReader& waypoints, std::string page_service_address,
               int connections, const CancelSignal& cancel, AfterFailure after_failure);
  // Stops whatever is still being fetched (its result is thrown away) and joins the threads.
  ~PagePipeline();
  PagePipeline(const PagePipeline&) = delete;
  PagePipeline& operator=(const PagePipeline&) = delete;

  // True once every waypoint has been handed back.
  [[nodiscard]] bool AtEnd();

  // The next waypoint in file order with its page, once it has arrived, or with a failure
  // the run goes on past. Raises a failure that ends the run, and RunCancelled when cancel is
  // signalled while waiting. Not to be called AtEnd.
  [[nodiscard]] FetchedPage Next();

 private:
  struct Slot {
    WaypointRecord waypoint;
    std::string url;
    Page page;
    std::exception_ptr failure;
    bool done = false;
  };

  // Once few enough are left, reads and requests waypoints until as many are asked for as
  // the pipeline keeps ahead.
  void RequestAhead();
  void Fetch();
  [[nodiscard]] bool EndsRun(const std::exception_ptr& failure) const;

  PageSource& pages_;
  WaypointReader& waypoints_;
  const std::string page_service_address_;
  const CancelSignal& cancel_;
  const AfterFailure after_failure_;
  // Pages one connection is asked for ahead of the run, at most.
  static constexpr std::size_t kOneConnectionAhead = 4;
  // Waypoints asked for and not yet handed back: at most ahead_, and more are asked for once
  // no more than refill_at_ are left.
  std::size_t ahead_;
  std::size_t refill_at_;
  CancelSignal stop_;  // ends the fetchers' own waits
  std::mutex mutex_;
  std::condition_variable work_;     // a request to start, or stopping
  std::condition_variable arrived_;  // a slot is done
  std::deque<Slot> slots_;           // requests not yet handed back, oldest first
  std::uint64_t first_ = 0;          // the number of the request in slots_.front()
  std::uint64_t started_ = 0;        // requests a fetcher has taken
  bool stopping_ = false;
  bool failed_ = false;  // a failure that ends the run has arrived
  std::vector<std::thread> fetchers_;
};

}  // namespace trelka
