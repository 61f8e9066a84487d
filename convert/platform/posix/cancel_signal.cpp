#include "platform/cancel_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <system_error>

#include "platform/posix/system_call.h"
#include "platform/posix/wait.h"

namespace trelka {

CancelSignal::CancelSignal() : handle_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (handle_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

CancelSignal::~CancelSignal() { (void)::close(static_cast<int>(handle_)); }

void CancelSignal::Cancel() {
  cancelled_.store(true, std::memory_order_release);
  // Nobody reads the counter, so it stays readable; a full counter is readable as well.
  const std::uint64_t one = 1;
  (void)RetryOnInterrupt([&] { return ::write(static_cast<int>(handle_), &one, sizeof one); });
}

void CancelSignal::ThrowIfCancelled() const {
  if (Cancelled()) throw RunCancelled();
}

namespace {

// poll's timeout for the time left until deadline, rounded up so that a wait never ends early.
int MillisecondsUntil(Deadline deadline) {
  const auto left = deadline - std::chrono::steady_clock::now();
  if (left <= left.zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<decltype(ms)>(ms, INT32_MAX));
}

int FdOf(const CancelSignal& signal) { return static_cast<int>(signal.NativeHandle()); }

// Waits for fd (or for nothing when fd is -1) or cancel; fd's events, or 0 at the deadline.
short Wait(int fd, short events, Deadline deadline, const CancelSignal& cancel) {
  pollfd entries[2] = {{FdOf(cancel), POLLIN, 0}, {fd, events, 0}};
  const nfds_t count = fd >= 0 ? 2 : 1;
  for (;;) {
    cancel.ThrowIfCancelled();
    const int ready = ::poll(entries, count, MillisecondsUntil(deadline));
    if (ready < 0 && errno != EINTR) {
      throw std::system_error(errno, std::generic_category(), "poll");
    }
    if (ready > 0 && entries[0].revents != 0) throw RunCancelled();
    // Errors and hang-ups count as ready: the next call on fd reports them.
    if (ready > 0) return entries[1].revents;
    if (ready == 0 && std::chrono::steady_clock::now() >= deadline) return 0;
  }
}

}  // namespace

short WaitUntilReady(int fd, short events, Deadline deadline, const CancelSignal& cancel) {
  return Wait(fd, events, deadline, cancel);
}

bool WaitForSignal(const CancelSignal& signal, Deadline deadline, const CancelSignal& cancel) {
  while (!signal.Cancelled()) {
    if (Wait(FdOf(signal), POLLIN, deadline, cancel) == 0) return false;
  }
  return true;
}

void PauseUntil(Deadline deadline, const CancelSignal& cancel) {
  (void)Wait(-1, 0, deadline, cancel);
}

}  // namespace trelka
