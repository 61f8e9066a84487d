// The progress line trelka-batch keeps on a terminal: "i из N", and once pages have come for
// a moment, how fast they come and how long the rest will take, as in
// "120 из 500 · 14/s · 0:27 left". The rate is that of the last half minute or so, so that
// pages taken from a page cache at the start promise no early end to the pages fetched after.
#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <utility>

namespace trelka {

class ProgressRate {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ProgressRate(Clock::duration span = std::chrono::seconds(30)) : span_(span) {}

  // done waypoints had been worked on at the moment at (moments never go back).
  void Record(Clock::time_point at, int done);

  // Waypoints per second over at least the last span, or all records when they are younger;
  // nothing until two records lie apart in time.
  [[nodiscard]] std::optional<double> PerSecond() const;

 private:
  Clock::duration span_;
  std::deque<std::pair<Clock::time_point, int>> records_;  // oldest first
};

// ProgressText(index, total), then the rate and the time left for waypoints index to total
// when per_second is known and above 0.
[[nodiscard]] std::string TerminalProgressText(int index, int total,
                                               std::optional<double> per_second);

}  // namespace trelka
