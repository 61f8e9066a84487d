// Trying a page again when its exchange failed for a reason that may pass: a time-out, a
// reset, a refused connection, a connection closed early, a 5xx status. The pause before each
// new try doubles from a first one up to a ceiling, and watches the run's cancel signal. A 4xx
// status, a redirect or a malformed response comes out the same on every try, so it is not
// retried.
#pragma once

#include <chrono>
#include <exception>
#include <string>

#include "http/page_source.h"

namespace trelka {

struct RetrySchedule {
  int retries = 0;  // tries after the first, at most
  std::chrono::milliseconds first_pause{1000};
  std::chrono::milliseconds longest_pause{30'000};
};

// The pause before retry number `retry` (1 for the second try): first_pause, doubled for each
// retry before it, never longer than longest_pause.
[[nodiscard]] std::chrono::milliseconds RetryPause(const RetrySchedule& schedule, int retry);

// Whether a failed exchange may succeed when tried again.
[[nodiscard]] bool IsTransientFailure(const std::exception_ptr& failure);

class RetryingPages final : public PageSource {
 public:
  // pages must outlive this source.
  RetryingPages(PageSource& pages, RetrySchedule schedule) : pages_(pages), schedule_(schedule) {}

  void StartRun() override { pages_.StartRun(); }

  // The page from pages, tried up to schedule.retries more times while it fails transiently;
  // raises the last failure. Safe to call from several threads at once, as pages is.
  [[nodiscard]] Page Get(const std::string& url, const CancelSignal& cancel) override;

 private:
  PageSource& pages_;
  RetrySchedule schedule_;
};

}  // namespace trelka
