#include "run/retrying_pages.h"

#include <gtest/gtest.h>

#include "http/http_failures.h"

namespace trelka {
namespace {

using namespace std::chrono_literals;

TEST(RetryingPagesTest, PausesDoubleFromTheFirstUpToTheCeiling) {
  const RetrySchedule schedule{10};
  const struct {
    int retry;
    std::chrono::milliseconds pause;
  } rows[] = {{1, 1s}, {2, 2s}, {3, 4s}, {5, 16s}, {6, 30s}, {7, 30s}, {1'000'000, 30s}};
  for (const auto& row : rows) EXPECT_EQ(RetryPause(schedule, row.retry), row.pause) << row.retry;
  EXPECT_EQ(RetryPause({3, 5ms, 12ms}, 3), 12ms);
}

TEST(RetryingPagesTest, OnlyFailuresThatMayPassAreTransient) {
  const struct {
    std::exception_ptr failure;
    bool transient;
  } rows[] = {
      {std::make_exception_ptr(EIdSocketError(10060)), true},
      {std::make_exception_ptr(EIdSocketError(10054)), true},
      {std::make_exception_ptr(EIdSocketError(10061)), true},
      {std::make_exception_ptr(EIdConnClosedGracefully()), true},
      {std::make_exception_ptr(EIdProtocolReplyError(500, "500 Internal Server Error")), true},
      {std::make_exception_ptr(EIdProtocolReplyError(599, "599 x")), true},
      {std::make_exception_ptr(EIdProtocolReplyError(404, "404 Not Found")), false},
      {std::make_exception_ptr(EIdProtocolReplyError(600, "600 x")), false},
      {std::make_exception_ptr(EIdSocketError(11001)), false},
      {std::make_exception_ptr(EConvertError("'abc' is not a valid integer value")), false},
      {std::make_exception_ptr(FileFailure("File access denied")), false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(IsTransientFailure(row.failure), row.transient) << FailureMessageOf(row.failure);
  }
}

}  // namespace
}  // namespace trelka
