#include "progress_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "run/run_window.h"

namespace trelka {

namespace {

// "14/s", "1.5/s", and per minute below one a second: "12/min", "0.5/min".
std::string RateText(double per_second) {
  const double per_minute = per_second * 60;
  const double shown = per_second >= 1 ? per_second : per_minute;
  const char* unit = per_second >= 1 ? "/s" : "/min";
  char text[32];
  std::snprintf(text, sizeof text, shown >= 10 ? "%.0f%s" : "%.1f%s", shown, unit);
  return text;
}

// "0:27", "12:05", "1:02:09".
std::string DurationText(long long seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  }
  return text;
}

}  // namespace

void ProgressRate::Record(Clock::time_point at, int done) {
  records_.emplace_back(at, done);
  // One record at least span old stays, so that the rate always covers a whole span.
  while (records_.size() > 2 && records_[1].first <= at - span_) records_.pop_front();
}

std::optional<double> ProgressRate::PerSecond() const {
  if (records_.size() < 2) return std::nullopt;
  const auto& [first_at, first_done] = records_.front();
  const auto& [last_at, last_done] = records_.back();
  const std::chrono::duration<double> took = last_at - first_at;
  if (took.count() <= 0) return std::nullopt;
  return (last_done - first_done) / took.count();
}

std::string TerminalProgressText(int index, int total, std::optional<double> per_second) {
  std::string text = ProgressText(index, total);
  if (!per_second || *per_second <= 0) return text;
  const int left = std::max(total - index + 1, 0);
  text += " · " + RateText(*per_second) + " · " + DurationText(std::llround(left / *per_second)) +
          " left";
  return text;
}

}  // namespace trelka
