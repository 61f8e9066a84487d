// The progress rule of a page exchange: once the request is sent, the response must keep
// arriving at some rate, or the exchange times out. Each wait alone being bounded is not
// enough: a server that sends one byte every 50 s would otherwise hold a page for good.
// Kept apart from the socket so that it can be checked without a clock.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>

namespace trelka {

class ProgressWindow {
 public:
  using Clock = std::chrono::steady_clock;

  // From start on, fewer than bytes arriving within any span of length window fails; bytes 0
  // turns the rule off.
  ProgressWindow(Clock::time_point start, Clock::duration window, std::size_t bytes);

  // received bytes arrived at the moment at (moments never go back).
  void Record(Clock::time_point at, std::size_t received);

  // The moment at which, if nothing more arrives, the last span of length window will have
  // brought fewer than bytes: the latest time a wait may last until.
  [[nodiscard]] Clock::time_point Deadline() const;

 private:
  Clock::time_point start_;
  Clock::duration window_;
  std::uint64_t bytes_;
  std::uint64_t total_ = 0;
  // (moment, total after it) of the arrivals that brought the last bytes_ bytes; older ones
  // can never matter again, so this stays small however long the response is.
  std::deque<std::pair<Clock::time_point, std::uint64_t>> recent_;
};

}  // namespace trelka
