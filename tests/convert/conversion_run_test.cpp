#include "conversion_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "failure.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::TempDir;

constexpr std::string_view kHeader =
    "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nR\r\nR\r\n";

// Records every window operation in order.
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

// Answers the requests with the scripted pages in turn and then with kMinimalPage, failing at
// the request numbered fail_at.
class ScriptedPages final : public PageSource {
 public:
  explicit ScriptedPages(RecordingWindow& window, int fail_at = 0)
      : window_(window), fail_at_(fail_at) {}
  std::string Get(const std::string& url, const CancelSignal& /*cancel*/) override {
    urls.push_back(url);
    window_.events.push_back("get " + url);
    if (static_cast<int>(urls.size()) == fail_at_) throw Failure("404 Not Found");
    return urls.size() <= pages.size() ? pages[urls.size() - 1] : std::string(kMinimalPage);
  }
  std::vector<std::string> urls;
  std::vector<std::string> pages;

 private:
  RecordingWindow& window_;
  int fail_at_;
};

constexpr std::string_view kService = "http://pages.test";

TEST(ConversionRunTest, WindowOperationsInOrder) {
  TempDir dir;
  const auto path =
      dir.Write("three.wpt", std::string(kHeader) + "1,TR11,1,2,\r\n2,TR22,3,4,\r\n3,TR33,5,6,");
  RecordingWindow window;
  ScriptedPages pages(window);
  LineList result("stale result");
  trelka::Run(path, window, pages, kService, result);

  const std::vector<std::string> expected = {
      "disable check box",
      "disable save",
      "1 из 3",
      "get http://pages.test/cache.php?cid=11",
      "read check box",
      "2 из 3",
      "get http://pages.test/cache.php?cid=22",
      "read check box",
      "3 из 3",
      "get http://pages.test/cache.php?cid=33",
      "read check box",
      "enable save",
  };
  EXPECT_EQ(window.events, expected);
  EXPECT_EQ(result.Count(), 5u);  // header, three elements, closing tag
  EXPECT_EQ(testing::XmlProblem(result.Text()), "");
}

// A page without the name marker (an error page) gives no element; a tag in a title reaches
// the document as text through the XML guard.
TEST(ConversionRunTest, PagesWithoutNameMarkerAreSkippedAndTitlesStayText) {
  TempDir dir;
  const auto path =
      dir.Write("three.wpt", std::string(kHeader) + "1,TR11,1,2,\r\n2,TR22,3,4,\r\n3,TR33,5,6,");
  RecordingWindow window;
  ScriptedPages pages(window);
  pages.pages = {"<html>no such cache</html>", "<p><b>Big <i>oak</i> & co</b>", ""};
  LineList result;
  trelka::Run(path, window, pages, kService, result);
  EXPECT_EQ(result.Count(), 3u);  // header, one element, closing tag
  EXPECT_EQ(testing::XmlProblem(result.Text()), "");
  EXPECT_NE(
      result.Text().find("<groundspeak:name>Big &#60;i>oak&#60;/i> &#38; co []</groundspeak:name>"),
      std::string::npos)
      << result.Text();
  EXPECT_EQ(result.Text().find("<name>11</name>"), std::string::npos);
}

TEST(ConversionRunTest, NoWaypointsStillEnableSaving) {
  TempDir dir;
  RecordingWindow window;
  ScriptedPages pages(window);
  LineList result;
  trelka::Run(dir.Write("empty.wpt", kHeader), window, pages, kService, result);
  EXPECT_EQ(window.events,
            (std::vector<std::string>{"disable check box", "disable save", "enable save"}));
  EXPECT_EQ(result.Count(), 2u);
  EXPECT_TRUE(result.Text().ends_with("\r\n</gpx>\r\n"));
}

TEST(ConversionRunTest, BlankLineIsAWaypointWithEmptyId) {
  TempDir dir;
  RecordingWindow window;
  ScriptedPages pages(window);
  LineList result;
  trelka::Run(dir.Write("blank.wpt", std::string(kHeader) + "\r\n"), window, pages, kService,
              result);
  EXPECT_EQ(pages.urls, (std::vector<std::string>{"http://pages.test/cache.php?cid="}));
}

TEST(ConversionRunTest, FailingPageStopsTheRunWithAnEmptyResult) {
  TempDir dir;
  const auto path =
      dir.Write("three.wpt", std::string(kHeader) + "1,TR11,1,2,\r\n2,TR22,3,4,\r\n3,TR33,5,6,");
  RecordingWindow window;
  ScriptedPages pages(window, 2);
  LineList result("earlier result");
  EXPECT_THROW(trelka::Run(path, window, pages, kService, result), Failure);
  EXPECT_TRUE(result.Empty());
  EXPECT_EQ(window.events.back(), "get http://pages.test/cache.php?cid=22");
  EXPECT_EQ(window.events[window.events.size() - 2], "2 из 3");
  EXPECT_EQ(std::count(window.events.begin(), window.events.end(), "enable save"), 0);
}

TEST(ConversionRunTest, MissingFileFailsAfterTheControlsAreDisabled) {
  TempDir dir;
  RecordingWindow window;
  ScriptedPages pages(window);
  LineList result("earlier result");
  EXPECT_THROW(trelka::Run((dir.Path() / "gone.wpt").string(), window, pages, kService, result),
               FileFailure);
  EXPECT_TRUE(result.Empty());
  EXPECT_EQ(window.events, (std::vector<std::string>{"disable check box", "disable save"}));
}

}  // namespace
}  // namespace trelka
