// Ending a run from another thread. Cancel() may be called from anywhere; every wait of the
// run (connecting, sending, receiving, looking a name up, pausing) watches Fd(), so that a
// cancelled run ends within a few milliseconds wherever it is.
#pragma once

#include <atomic>
#include <chrono>
#include <exception>

#include "system_call.h"

namespace trelka {

// Raised where a run notices that it was cancelled. Not a Failure: there is nothing to show.
class RunCancelled final : public std::exception {
 public:
  [[nodiscard]] const char* what() const noexcept override { return "the run was cancelled"; }
};

class CancelSignal {
 public:
  CancelSignal();
  CancelSignal(const CancelSignal&) = delete;
  CancelSignal& operator=(const CancelSignal&) = delete;

  // From now on Cancelled() is true and Fd() is readable. Safe to call more than once, and
  // from any thread.
  void Cancel();
  [[nodiscard]] bool Cancelled() const { return cancelled_.load(std::memory_order_acquire); }
  // Raises RunCancelled once cancelled.
  void ThrowIfCancelled() const;

  // A descriptor that becomes readable, and stays so, once cancelled; for poll sets.
  [[nodiscard]] int Fd() const { return event_.Get(); }

 private:
  UniqueFd event_;
  std::atomic<bool> cancelled_{false};
};

using Deadline = std::chrono::steady_clock::time_point;

// Waits until fd has one of events (poll's POLLIN, POLLOUT) and returns the events it
// reported, errors and hang-ups among them (never 0); 0 when the deadline passes first;
// raises RunCancelled when cancel is signalled first.
[[nodiscard]] short WaitUntilReady(int fd, short events, Deadline deadline,
                                   const CancelSignal& cancel);

// Pauses until the deadline, unless cancel is signalled first (RunCancelled).
void PauseUntil(Deadline deadline, const CancelSignal& cancel);

}  // namespace trelka
