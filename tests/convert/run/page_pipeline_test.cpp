#include "run/page_pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/failure.h"

namespace trelka {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kService = "http://pages.test";
std::string Url(std::string_view id) {
  return std::string(kService) + "/cache.php?cid=" + std::string(id);
}

// Answers each URL with "page ID" after a delay of its own, or raises its failure; records
// the requests in the order they reach it and how many were in flight at once.
class DelayedPages final : public PageSource {
 public:
  Page Get(const std::string& url, const CancelSignal& cancel) override {
    std::chrono::milliseconds delay{};
    {
      const std::lock_guard lock(mutex_);
      urls_.push_back(url);
      most_at_once_ = std::max(most_at_once_, ++in_flight_);
      if (const auto found = delays.find(url); found != delays.end()) delay = found->second;
    }
    struct Leave {
      DelayedPages& pages;
      ~Leave() {
        const std::lock_guard lock(pages.mutex_);
        --pages.in_flight_;
      }
    } leave{*this};
    PauseUntil(std::chrono::steady_clock::now() + delay, cancel);
    if (const auto failure = failures.find(url); failure != failures.end()) {
      std::rethrow_exception(failure->second);
    }
    return "page " + url.substr(url.find('=') + 1);
  }
  std::vector<std::string> Urls() {
    const std::lock_guard lock(mutex_);
    return urls_;
  }
  int MostAtOnce() {
    const std::lock_guard lock(mutex_);
    return most_at_once_;
  }
  std::map<std::string, std::chrono::milliseconds> delays;  // by URL
  std::map<std::string, std::exception_ptr> failures;       // by URL

 private:
  std::mutex mutex_;
  std::vector<std::string> urls_;
  int in_flight_ = 0;
  int most_at_once_ = 0;
};

// Waypoint lines for ids 1 to count ("x,TR1,..." has the id 1).
std::string Lines(int count) {
  std::string lines;
  for (int i = 1; i <= count; ++i) lines += "0,TR" + std::to_string(i) + ",1,2,\r\n";
  return lines;
}

// What Next handed back until the end, "id: page" or "id: failed", or the failure it raised.
std::vector<std::string> Drain(PagePipeline& pipeline) {
  std::vector<std::string> got;
  try {
    while (!pipeline.AtEnd()) {
      const FetchedPage fetched = pipeline.Next();
      got.push_back(fetched.waypoint.id + ": " +
                    (fetched.failure ? "failed" : std::string(fetched.page.Text())));
    }
  } catch (const Failure& failure) {
    got.push_back("raised " + failure.Message());
  }
  return got;
}

// Pages come back in waypoint order whatever order they arrive in, and never more are in
// flight than there are connections.
TEST(PagePipelineTest, HandsPagesBackInWaypointOrder) {
  for (const int connections : {1, 3, 8}) {
    DelayedPages pages;
    pages.delays = {{Url("1"), 30ms}, {Url("2"), 10ms}, {Url("4"), 20ms}};
    const std::string lines = Lines(5);
    WaypointReader reader(lines);
    const CancelSignal cancel;
    PagePipeline pipeline(pages, reader, std::string(kService), connections, cancel,
                          PagePipeline::AfterFailure::kEndRun);
    EXPECT_EQ(Drain(pipeline), (std::vector<std::string>{"1: page 1", "2: page 2", "3: page 3",
                                                         "4: page 4", "5: page 5"}))
        << connections;
    EXPECT_LE(pages.MostAtOnce(), connections);
    EXPECT_EQ(pages.Urls().size(), 5U);
  }
}

// One connection is asked for a few pages ahead and fetches them without the run asking
// again; no more until the run has taken some.
TEST(PagePipelineTest, OneConnectionFetchesAhead) {
  DelayedPages pages;
  const std::string lines = Lines(6);
  WaypointReader reader(lines);
  const CancelSignal cancel;
  PagePipeline pipeline(pages, reader, std::string(kService), 1, cancel,
                        PagePipeline::AfterFailure::kEndRun);
  EXPECT_EQ(pipeline.Next().page, "page 1");
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (pages.Urls().size() < 4 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  std::this_thread::sleep_for(20ms);  // time enough for a request too many
  EXPECT_EQ(pages.Urls(), (std::vector<std::string>{Url("1"), Url("2"), Url("3"), Url("4")}));
  EXPECT_EQ(Drain(pipeline), (std::vector<std::string>{"2: page 2", "3: page 3", "4: page 4",
                                                       "5: page 5", "6: page 6"}));
}

// The failure rule: a failure ends the run at its waypoint unless the run goes on past it;
// a file failure ends it either way. After a failure that ends it, one connection starts no
// other request.
TEST(PagePipelineTest, AFailureEndsTheRunOrIsHandedBack) {
  const auto failure = [](auto exception) { return std::make_exception_ptr(exception); };
  const struct {
    std::string_view what;
    PagePipeline::AfterFailure after_failure;
    std::exception_ptr failure;
    std::vector<std::string> got;
    std::size_t asked;
  } rows[] = {
      {"ending the run",
       PagePipeline::AfterFailure::kEndRun,
       failure(Failure("404 Not Found")),
       {"1: page 1", "raised 404 Not Found"},
       2},
      {"going on",
       PagePipeline::AfterFailure::kGoOn,
       failure(Failure("404 Not Found")),
       {"1: page 1", "2: failed", "3: page 3", "4: page 4"},
       4},
      {"a file failure while going on",
       PagePipeline::AfterFailure::kGoOn,
       failure(FileFailure("File access denied")),
       {"1: page 1", "raised File access denied"},
       2},
  };
  for (const auto& row : rows) {
    DelayedPages pages;
    pages.failures[Url("2")] = row.failure;
    const std::string lines = Lines(4);
    WaypointReader reader(lines);
    const CancelSignal cancel;
    PagePipeline pipeline(pages, reader, std::string(kService), 1, cancel, row.after_failure);
    EXPECT_EQ(Drain(pipeline), row.got) << row.what;
    EXPECT_EQ(pages.Urls().size(), row.asked) << row.what;
  }
}

// Waiting for a page that does not come ends at once when the run is cancelled.
TEST(PagePipelineTest, CancelEndsTheWait) {
  DelayedPages pages;
  pages.delays[Url("1")] = 10s;
  const std::string lines = Lines(1);
  WaypointReader reader(lines);
  CancelSignal cancel;
  PagePipeline pipeline(pages, reader, std::string(kService), 1, cancel,
                        PagePipeline::AfterFailure::kEndRun);
  std::thread canceller([&] {
    std::this_thread::sleep_for(50ms);
    cancel.Cancel();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW((void)pipeline.Next(), RunCancelled);
  canceller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST(PagePipelineTest, NoWaypointsIsAtEndAtOnce) {
  DelayedPages pages;
  WaypointReader reader("");
  const CancelSignal cancel;
  PagePipeline pipeline(pages, reader, std::string(kService), 2, cancel,
                        PagePipeline::AfterFailure::kEndRun);
  EXPECT_TRUE(pipeline.AtEnd());
  EXPECT_TRUE(pages.Urls().empty());
}

}  // namespace
}  // namespace trelka
