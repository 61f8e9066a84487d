// Ending a run from another thread. Cancel() may be called from anywhere; every wait of the
// run (connecting, sending, receiving, looking a name up, pausing) watches the signal, so that
// a cancelled run ends within a few milliseconds wherever it is. The same one-way signal tells
// a waiting thread that another has finished its work.
#pragma once

#include <atomic>
#include <chrono>
#include <exception>

#include "platform/posix/system_call.h"

namespace trelka {

// Raised where a run notices that it was cancelled. Not a Failure: there is nothing to show.
class RunCancelled final : public std::exception {
 public:
  [[nodiscard]] const char* what() const noexcept override { return "the run was cancelled"; }
};

class CancelSignal {
 public:
  CancelSignal();
  ~CancelSignal();
  CancelSignal(const CancelSignal&) = delete;
  CancelSignal& operator=(const CancelSignal&) = delete;

  // From now on Cancelled() is true and the waits below end. Safe to call more than once,
  // and from any thread.
  void Cancel();
  [[nodiscard]] bool Cancelled() const { return cancelled_.load(std::memory_order_acquire); }
  // Raises RunCancelled once cancelled.
  void ThrowIfCancelled() const;

  // What the platform's waits watch: an eventfd that becomes readable, and stays so, once
  // cancelled (POSIX), or a manual-reset event that is then set (Windows).
  [[nodiscard]] std::intptr_t NativeHandle() const { return handle_; }

 private:
  std::intptr_t handle_;
  std::atomic<bool> cancelled_{false};
};

using Deadline = std::chrono::steady_clock::time_point;

// Waits until signal is given (true) or the deadline passes (false); raises RunCancelled when
// cancel is signalled first.
[[nodiscard]] bool WaitForSignal(const CancelSignal& signal, Deadline deadline,
                                 const CancelSignal& cancel);

// Pauses until the deadline, unless cancel is signalled first (RunCancelled).
void PauseUntil(Deadline deadline, const CancelSignal& cancel);

}  // namespace trelka
