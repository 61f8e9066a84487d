// The POSIX side's one wait: a descriptor, the cancel signal and a deadline in one poll.
#pragma once

#include "platform/cancel_signal.h"

namespace trelka {

// Waits until fd has one of events (poll's POLLIN, POLLOUT) and returns the events it
// reported, errors and hang-ups among them (never 0); 0 when the deadline passes first;
// raises RunCancelled when cancel is signalled first.
[[nodiscard]] short WaitUntilReady(int fd, short events, Deadline deadline,
                                   const CancelSignal& cancel);

}  // namespace trelka
