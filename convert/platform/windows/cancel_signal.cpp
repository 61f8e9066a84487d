#include "platform/cancel_signal.h"

#include <system_error>

#include "platform/windows/system_headers.h"
#include "platform/windows/wait.h"

namespace trelka {

namespace {

HANDLE HandleOf(const CancelSignal& signal) {
  return reinterpret_cast<HANDLE>(signal.NativeHandle());
}

// The wait's timeout for the time left until deadline, rounded up so that a wait never ends
// early.
DWORD MillisecondsUntil(Deadline deadline) {
  const auto left = deadline - std::chrono::steady_clock::now();
  if (left <= left.zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  // INFINITE is 0xFFFFFFFF; a day at a time is far enough.
  constexpr long long kLongest = 24LL * 60 * 60 * 1000;
  return static_cast<DWORD>(ms < kLongest ? ms : kLongest);
}

}  // namespace

// A manual-reset event: once set it stays set, for every wait that watches it.
CancelSignal::CancelSignal()
    : handle_(reinterpret_cast<std::intptr_t>(::CreateEventW(nullptr, TRUE, FALSE, nullptr))) {
  if (handle_ == 0) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                            "CreateEvent");
  }
}

CancelSignal::~CancelSignal() { (void)::CloseHandle(HandleOf(*this)); }

void CancelSignal::Cancel() {
  cancelled_.store(true, std::memory_order_release);
  (void)::SetEvent(HandleOf(*this));
}

void CancelSignal::ThrowIfCancelled() const {
  if (Cancelled()) throw RunCancelled();
}

bool WaitForEvent(HANDLE event, Deadline deadline, const CancelSignal& cancel) {
  const HANDLE handles[2] = {HandleOf(cancel), event};
  const DWORD count = event != nullptr ? 2 : 1;
  for (;;) {
    cancel.ThrowIfCancelled();
    const DWORD result =
        ::WaitForMultipleObjects(count, handles, FALSE, MillisecondsUntil(deadline));
    if (result == WAIT_OBJECT_0) throw RunCancelled();
    if (result == WAIT_OBJECT_0 + 1) return true;
    if (result == WAIT_FAILED) {
      throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                              "WaitForMultipleObjects");
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
}

bool WaitForSignal(const CancelSignal& signal, Deadline deadline, const CancelSignal& cancel) {
  return signal.Cancelled() || WaitForEvent(HandleOf(signal), deadline, cancel);
}

void PauseUntil(Deadline deadline, const CancelSignal& cancel) {
  (void)WaitForEvent(nullptr, deadline, cancel);
}

}  // namespace trelka
