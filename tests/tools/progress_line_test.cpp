#include "progress_line.h"

#include <gtest/gtest.h>

namespace trelka {
namespace {

using namespace std::chrono_literals;
using Clock = ProgressRate::Clock;

TEST(ProgressLineTest, RateAndTimeLeftOnceKnown) {
  const struct {
    int index, total;
    std::optional<double> per_second;
    std::string_view text;
  } rows[] = {
      {1, 500, std::nullopt, "1 из 500"},
      {120, 500, 0.0, "120 из 500"},
      {120, 500, 14.0, "120 из 500 · 14/s · 0:27 left"},
      {2, 200, 0.2, "2 из 200 · 12/min · 16:35 left"},
      {2, 9000, 0.5, "2 из 9000 · 30/min · 4:59:58 left"},
      {12, 10, 3.0, "12 из 10 · 3.0/s · 0:00 left"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(TerminalProgressText(row.index, row.total, row.per_second), row.text) << row.text;
  }
}

// The rate of the last span: a fast start (pages from a cache) is forgotten.
TEST(ProgressLineTest, RateFollowsTheLastSpan) {
  ProgressRate rate(10s);
  const Clock::time_point start;
  rate.Record(start, 0);
  EXPECT_EQ(rate.PerSecond(), std::nullopt);
  rate.Record(start, 0);
  EXPECT_EQ(rate.PerSecond(), std::nullopt);
  rate.Record(start + 1s, 100);
  EXPECT_DOUBLE_EQ(*rate.PerSecond(), 100.0);
  for (int second = 2; second <= 30; ++second) rate.Record(start + second * 1s, 100 + second - 1);
  EXPECT_DOUBLE_EQ(*rate.PerSecond(), 1.0);
}

}  // namespace
}  // namespace trelka
