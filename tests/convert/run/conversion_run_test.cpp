#include "run/conversion_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/failure.h"
#include "sequential_run.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::TempDir;
using namespace std::chrono_literals;

constexpr std::string_view kHeader =
    "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nR\r\nR\r\n";
constexpr std::string_view kThree = "1,TR11,1,2,\r\n2,TR22,3,4,\r\n3,TR33,5,6,";

// Records every window operation in order; the run makes them all on its own thread.
class RecordingWindow final : public RunWindow {
 public:
  void DisableCheckBox() override { events.push_back("disable check box"); }
  void DisableSaveButton() override { events.push_back("disable save"); }
  void ShowProgress(int index, int total) override { events.push_back(ProgressText(index, total)); }
  bool ReadCheckBox() override {
    events.push_back("read check box");
    return checked;
  }
  void EnableSaveButton() override { events.push_back("enable save"); }

  bool checked = false;
  std::vector<std::string> events;
};

// The least a page needs to yield an element: the cache name marker.
constexpr std::string_view kMinimalPage = "<p><b>Cache</b>";

// Answers the requests with the scripted pages in turn and then with kMinimalPage, raising
// the failure scripted for a URL instead. Called from the run's fetching threads: it records
// the order of the requests and how many were ever in flight at once.
class ScriptedPages final : public PageSource {
 public:
  explicit ScriptedPages(std::chrono::milliseconds delay = 0ms) : delay_(delay) {}
  Page Get(const std::string& url, const CancelSignal& /*cancel*/) override {
    std::size_t number;
    {
      const std::lock_guard lock(mutex_);
      urls_.push_back(url);
      number = urls_.size();
      most_at_once_ = std::max(most_at_once_, ++in_flight_);
    }
    std::this_thread::sleep_for(delay_);
    const std::lock_guard lock(mutex_);
    --in_flight_;
    if (const auto failure = failures.find(url);
        failure != failures.end() && failing_tries-- != 0) {
      std::rethrow_exception(failure->second);
    }
    return number <= pages.size() ? pages[number - 1] : std::string(kMinimalPage);
  }
  std::vector<std::string> Urls() {
    const std::lock_guard lock(mutex_);
    return urls_;
  }
  int MostAtOnce() {
    const std::lock_guard lock(mutex_);
    return most_at_once_;
  }
  std::vector<std::string> pages;
  std::map<std::string, std::exception_ptr> failures;  // by URL
  int failing_tries = -1;  // how many requests of failing URLs fail; -1 for all

 private:
  std::chrono::milliseconds delay_;
  std::mutex mutex_;
  std::vector<std::string> urls_;
  int in_flight_ = 0;
  int most_at_once_ = 0;
};

constexpr std::string_view kService = "http://pages.test";
const std::vector<std::string> kThreeUrls = {"http://pages.test/cache.php?cid=11",
                                             "http://pages.test/cache.php?cid=22",
                                             "http://pages.test/cache.php?cid=33"};

struct Outcome {
  std::vector<std::string> events;
  std::string document;
  std::string failure;  // "" when the run succeeded
  // "id at i of N: message" for each failed page the run asked about
  std::vector<std::string> asked;
  std::vector<std::string> without_name;  // "id at i of N" for each page without the name marker
};

enum class Mode { kStop, kAsk };

std::string Where(const WaypointRecord& waypoint, RunPosition position) {
  return waypoint.id + " at " + std::to_string(position.index) + " of " +
         std::to_string(position.total);
}

// With kAsk, failed pages are answered with answers in turn, then with kSkip.
Outcome RunOn(std::string_view waypoints, ScriptedPages& pages, int connections = 1,
              Mode mode = Mode::kStop, std::vector<AfterFailedPage> answers = {}) {
  TempDir dir;
  const auto path = dir.Write("run.wpt", std::string(kHeader) + std::string(waypoints));
  RecordingWindow window;
  Utf8Document result;
  result.Append("an earlier result");
  const CancelSignal cancel;
  Outcome outcome;
  RunSettings settings{std::string(kService), connections};
  if (mode == Mode::kAsk) {
    settings.on_failed_page = [&](const WaypointRecord& waypoint, RunPosition position,
                                  const std::exception_ptr& failure) {
      outcome.asked.push_back(Where(waypoint, position) + ": " + FailureMessageOf(failure));
      if (answers.empty()) return AfterFailedPage::kSkip;
      const AfterFailedPage answer = answers.front();
      answers.erase(answers.begin());
      return answer;
    };
  }
  settings.on_page_without_name = [&](const WaypointRecord& waypoint, RunPosition position) {
    outcome.without_name.push_back(Where(waypoint, position));
  };
  try {
    Run(path, window, pages, settings, result, cancel);
  } catch (const Failure& failure) {
    outcome.failure = failure.Message();
  }
  outcome.events = window.events;
  outcome.document = result.Text();
  return outcome;
}

TEST(ConversionRunTest, WindowOperationsInOrderAndOneRequestAtATime) {
  for (const int connections : {1, 3}) {
    ScriptedPages pages(5ms);
    const Outcome outcome = RunOn(kThree, pages, connections);
    const std::vector<std::string> expected = {
        "disable check box", "disable save", "1 из 3",         "read check box", "2 из 3",
        "read check box",    "3 из 3",       "read check box", "enable save",
    };
    EXPECT_EQ(outcome.events, expected) << connections;
    // Requests start in order, but two threads may reach the page source the other way round.
    std::vector<std::string> urls = pages.Urls();
    if (connections > 1) std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, kThreeUrls) << connections;
    // Never more at once than asked for; one connection means one request at a time.
    EXPECT_LE(pages.MostAtOnce(), connections) << connections;
    if (connections == 1) {
      EXPECT_EQ(pages.MostAtOnce(), 1);
    }
    EXPECT_EQ(std::count(outcome.document.begin(), outcome.document.end(), '\n'), 5)
        << "header, three elements, closing tag";
    EXPECT_EQ(testing::XmlProblem(outcome.document), "");
  }
}

// A page without the name marker (an error page) gives no element; a tag in a title reaches
// the document as text through the XML guard.
TEST(ConversionRunTest, PagesWithoutNameMarkerAreSkippedAndTitlesStayText) {
  ScriptedPages pages;
  pages.pages = {"<html>no such cache</html>", "<p><b>Big <i>oak</i> & co</b>", ""};
  const Outcome outcome = RunOn(kThree, pages);
  EXPECT_EQ(std::count(outcome.document.begin(), outcome.document.end(), '\n'), 3);
  EXPECT_EQ(testing::XmlProblem(outcome.document), "");
  EXPECT_NE(outcome.document.find(
                "<groundspeak:name>Big &#60;i>oak&#60;/i> &#38; co []</groundspeak:name>"),
            std::string::npos)
      << outcome.document;
  EXPECT_EQ(outcome.document.find("<name>11</name>"), std::string::npos);
  EXPECT_EQ(outcome.without_name, (std::vector<std::string>{"11 at 1 of 3", "33 at 3 of 3"}));
}

// GPX 1.0 takes its name from the waypoint file's (or from the settings) and its bounds from
// the waypoint lines, those whose page gave no element among them.
TEST(ConversionRunTest, Gpx10NameAndBoundsFromTheWaypointFile) {
  const struct {
    std::optional<std::string> name;
    const char* header_end;
  } rows[] = {
      {std::nullopt, R"(<name>run</name><bounds minlat="1" minlon="2" maxlat="5" maxlon="6"/>)"},
      {"", R"(creator="Trelka" xmlns:xsi=)"},
  };
  for (const auto& row : rows) {
    TempDir dir;
    const auto path = dir.Write("run.wpt", std::string(kHeader) + std::string(kThree));
    RecordingWindow window;
    ScriptedPages pages;
    pages.pages = {"<html>no such cache</html>"};
    Utf8Document result;
    RunSettings settings{std::string(kService), 1};
    settings.shape = GpxShape::kGpx10;
    settings.cache_page_address = "https://site.test/";
    settings.document_name = row.name;
    const CancelSignal cancel;
    trelka::Run(path, window, pages, settings, result, cancel);
    const std::string document = result.Text();
    EXPECT_NE(document.find(row.header_end), std::string::npos) << document;
    EXPECT_EQ(document.find("<wpt lat=\"1\""), std::string::npos);
    EXPECT_NE(document.find("<url>https://site.test/33</url>"), std::string::npos);
  }
}

TEST(ConversionRunTest, NoWaypointsStillEnableSaving) {
  ScriptedPages pages;
  const Outcome outcome = RunOn("", pages);
  EXPECT_EQ(outcome.events,
            (std::vector<std::string>{"disable check box", "disable save", "enable save"}));
  EXPECT_TRUE(outcome.document.ends_with("\r\n</gpx>\r\n"));
  EXPECT_EQ(std::count(outcome.document.begin(), outcome.document.end(), '\n'), 2);
}

TEST(ConversionRunTest, BlankLineIsAWaypointWithEmptyId) {
  ScriptedPages pages;
  (void)RunOn("\r\n", pages);
  EXPECT_EQ(pages.Urls(), (std::vector<std::string>{"http://pages.test/cache.php?cid="}));
}

// At the first failed page, in order, nothing after it is worked on and, with one connection,
// no later page is asked for; with more, at most those already asked for.
TEST(ConversionRunTest, FailingPageStopsTheRunWithAnEmptyResult) {
  for (const int connections : {1, 2}) {
    ScriptedPages pages(5ms);
    pages.failures[kThreeUrls[1]] = std::make_exception_ptr(Failure("404 Not Found"));
    const Outcome outcome = RunOn(kThree, pages, connections);
    EXPECT_EQ(outcome.failure, "404 Not Found") << connections;
    EXPECT_EQ(outcome.document, "") << connections;
    EXPECT_EQ(outcome.events.back(), "2 из 3") << connections;
    EXPECT_EQ(std::count(outcome.events.begin(), outcome.events.end(), "enable save"), 0);
    const std::size_t asked = pages.Urls().size();
    EXPECT_GE(asked, 2u) << connections;
    EXPECT_LE(asked, 1u + static_cast<std::size_t>(connections)) << connections;
  }
}

// Failed pages are asked about once per try, in waypoint order, and the answer holds: a
// skipped page gives no element, a retried one is requested again, an ended run fails as
// without the question. A file failure still ends the run without one.
TEST(ConversionRunTest, FailedPagesDoWhatTheAnswerSays) {
  using A = AfterFailedPage;
  const auto failure = [](auto exception) { return std::make_exception_ptr(exception); };
  const std::string k404 = "22 at 2 of 3: 404 Not Found";
  const struct {
    const char* what;
    int connections;
    std::exception_ptr failure;
    int failing_tries;
    std::vector<A> answers;
    std::vector<std::string> asked;
    std::string failure_message;  // "" when the run succeeds
    int elements;
    std::size_t requests;
  } rows[] = {
      {"skip", 1, failure(Failure("404 Not Found")), -1, {A::kSkip}, {k404}, "", 2, 3},
      {"skip, several connections", 2, failure(Failure("404 Not Found")), -1, {}, {k404}, "", 2, 3},
      {"retry that succeeds",
       1,
       failure(Failure("404 Not Found")),
       1,
       {A::kRetry},
       {k404},
       "",
       3,
       4},
      {"retry that fails, then skip",
       1,
       failure(Failure("404 Not Found")),
       -1,
       {A::kRetry, A::kSkip},
       {k404, k404},
       "",
       2,
       4},
      {"end the run",
       1,
       failure(Failure("404 Not Found")),
       -1,
       {A::kEndRun},
       {k404},
       "404 Not Found",
       -1,
       0},
      {"a file failure",
       2,
       failure(FileFailure("File access denied")),
       -1,
       {},
       {},
       "File access denied",
       -1,
       0},
  };
  for (const auto& row : rows) {
    ScriptedPages pages(5ms);
    pages.failures[kThreeUrls[1]] = row.failure;
    pages.failing_tries = row.failing_tries;
    const Outcome outcome = RunOn(kThree, pages, row.connections, Mode::kAsk, row.answers);
    EXPECT_EQ(outcome.asked, row.asked) << row.what;
    EXPECT_EQ(outcome.failure, row.failure_message) << row.what;
    if (row.elements < 0) {
      EXPECT_EQ(outcome.document, "") << row.what;
      continue;
    }
    EXPECT_EQ(pages.Urls().size(), row.requests) << row.what;
    EXPECT_EQ(std::count(outcome.document.begin(), outcome.document.end(), '\n'), 2 + row.elements)
        << row.what;
    EXPECT_EQ(outcome.events.back(), "enable save") << row.what;
  }
}

TEST(ConversionRunTest, MissingFileFailsAfterTheControlsAreDisabled) {
  TempDir dir;
  RecordingWindow window;
  ScriptedPages pages;
  Utf8Document result;
  result.Append("earlier result");
  ShapeEdits gpx10;
  gpx10.Replacements().Append("earlier edit");
  gpx10.Add(0, 1, 12);
  RunSettings settings{std::string(kService), 1};
  settings.gpx10_edits = &gpx10;
  const CancelSignal cancel;
  EXPECT_THROW(
      trelka::Run((dir.Path() / "gone.wpt").string(), window, pages, settings, result, cancel),
      FileFailure);
  EXPECT_TRUE(result.Empty());
  EXPECT_EQ(gpx10.Apply(result), "");
  EXPECT_EQ(window.events, (std::vector<std::string>{"disable check box", "disable save"}));
}

// A page source that never answers until the run is cancelled.
class SilentPages final : public PageSource {
 public:
  Page Get(const std::string& /*url*/, const CancelSignal& cancel) override {
    ++asked;
    PauseUntil(std::chrono::steady_clock::now() + 10s, cancel);
    return {};
  }
  std::atomic<int> asked{0};
};

TEST(ConversionRunTest, CancelEndsTheRunAtOnceWithNothingToShow) {
  TempDir dir;
  const auto path = dir.Write("run.wpt", std::string(kHeader) + std::string(kThree));
  RecordingWindow window;
  SilentPages pages;
  Utf8Document result;
  CancelSignal cancel;
  std::thread canceller([&] {
    std::this_thread::sleep_for(200ms);
    cancel.Cancel();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(trelka::Run(path, window, pages, {std::string(kService), 1}, result, cancel),
               RunCancelled);
  const auto took = std::chrono::steady_clock::now() - start;
  canceller.join();
  EXPECT_LT(took, 300ms);
  EXPECT_TRUE(result.Empty());
  EXPECT_EQ(pages.asked, 1);
  EXPECT_EQ(window.events.back(), "1 из 3");
}

}  // namespace
}  // namespace trelka
