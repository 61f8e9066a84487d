// The Windows side's one wait: an event, the cancel signal and a deadline in one call.
#pragma once

#include "platform/cancel_signal.h"
#include "platform/windows/system_headers.h"

namespace trelka {

// Waits until event is set (true) or the deadline passes (false); waits for the deadline
// alone when event is null. Raises RunCancelled when cancel is signalled first.
[[nodiscard]] bool WaitForEvent(HANDLE event, Deadline deadline, const CancelSignal& cancel);

}  // namespace trelka
