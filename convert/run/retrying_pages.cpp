#include "run/retrying_pages.h"

#include <algorithm>

#include "http/http_failures.h"
#include "http/socket_errors.h"

namespace trelka {

namespace {

constexpr int kWsaConnectionReset = 10054;
constexpr int kWsaConnectionRefused = 10061;

}  // namespace

std::chrono::milliseconds RetryPause(const RetrySchedule& schedule, int retry) {
  auto pause = schedule.first_pause;
  // Doubling stops at the ceiling, so that no retry number can overflow the count.
  for (int i = 1; i < retry && pause < schedule.longest_pause; ++i) pause *= 2;
  return std::min(pause, schedule.longest_pause);
}

bool IsTransientFailure(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const EIdSocketError& error) {
    const int number = error.Number();
    return number == kWsaTimedOut || number == kWsaConnectionReset ||
           number == kWsaConnectionRefused;
  } catch (const EIdConnClosedGracefully&) {
    return true;
  } catch (const EIdProtocolReplyError& error) {
    return error.StatusCode() >= 500 && error.StatusCode() <= 599;
  } catch (...) {
    return false;
  }
}

Page RetryingPages::Get(const std::string& url, const CancelSignal& cancel) {
  for (int retry = 1;; ++retry) {
    try {
      return pages_.Get(url, cancel);
    } catch (const Failure&) {
      if (retry > schedule_.retries || !IsTransientFailure(std::current_exception())) throw;
    }
    PauseUntil(std::chrono::steady_clock::now() + RetryPause(schedule_, retry), cancel);
  }
}

}  // namespace trelka
