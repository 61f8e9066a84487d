#include "run/paced_pages.h"

#include <gtest/gtest.h>

#include <thread>

namespace trelka {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class InstantPages final : public PageSource {
 public:
  Page Get(const std::string& url, const CancelSignal& /*cancel*/) override { return url; }
};

// The pause is each connection's own: a second thread's first request does not wait for the
// pause of the first thread.
TEST(PacedPagesTest, EachThreadPausesBetweenItsOwnRequests) {
  InstantPages instant;
  PacedPages pages(instant, 300ms);
  const CancelSignal cancel;
  const auto start = Clock::now();
  EXPECT_EQ(pages.Get("a", cancel), "a");
  Clock::duration other_took{};
  std::thread other([&] {
    const auto other_start = Clock::now();
    (void)pages.Get("b", cancel);
    other_took = Clock::now() - other_start;
  });
  other.join();
  (void)pages.Get("c", cancel);
  EXPECT_GE(Clock::now() - start, 300ms);
  EXPECT_LT(other_took, 150ms);
}

}  // namespace
}  // namespace trelka
