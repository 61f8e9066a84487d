// The page client and the run against a real web server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <random>
#include <vector>

#include "http/http_failures.h"
#include "http/http_url.h"
#include "http/page_client.h"
#include "nginx_server.h"
#include "run/conversion_run.h"
#include "sequential_run.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::NginxServer;
using testing::TempDir;

// windows-1251 text of about size bytes: Cyrillic, markup and every byte above 7F.
std::string PageOfSize(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string page = testing::W("<html><body><p><b>Тайник</b> ");
  while (page.size() < size) {
    page += static_cast<char>(0x80 + random() % 128);
    if (random() % 8 == 0) page += "<br>\r\n";
  }
  page.resize(size);
  return page;
}

class PageServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    small_ = PageOfSize(4 * 1024, 1);
    large_ = PageOfSize(400 * 1024, 2);
    site_.Write("1.html", small_);
    site_.Write("2.html", large_);
    server_ = std::make_unique<NginxServer>(site_.Path().string());
  }

  TempDir site_;
  std::string small_, large_;
  std::unique_ptr<NginxServer> server_;
};

TEST_F(PageServiceTest, BodiesComeBackByteForByte) {
  IdHTTP client;
  const CancelSignal never_cancelled;
  EXPECT_EQ(client.Get(CachePageUrl(server_->Address(), "1"), never_cancelled), small_);
  EXPECT_EQ(client.Get(CachePageUrl(server_->Address(), "2"), never_cancelled), large_);
  try {
    (void)client.Get(CachePageUrl(server_->Address(), "3"), never_cancelled);
    FAIL() << "no failure for a missing page";
  } catch (const EIdProtocolReplyError& error) {
    EXPECT_EQ(error.Message(), "404 Not Found");
    EXPECT_EQ(error.StatusCode(), 404);
  }
}

class CountingWindow final : public RunWindow {
 public:
  void DisableCheckBox() override {}
  void DisableSaveButton() override {}
  void ShowProgress(int index, int total) override { last_progress = ProgressText(index, total); }
  bool ReadCheckBox() override { return false; }
  void EnableSaveButton() override { enabled = true; }
  std::string last_progress;
  bool enabled = false;
};

TEST_F(PageServiceTest, MissingPageStopsTheRun) {
  TempDir dir;
  const auto path =
      dir.Write("run.wpt", "h\r\nh\r\nh\r\nh\r\n1,TR1,1,2,\r\n1,TR3,1,2,\r\n1,TR2,1,2,\r\n");
  CountingWindow window;
  IdHTTP client;
  Utf8Document result;
  const CancelSignal cancel;
  try {
    trelka::Run(path, window, client, {server_->Address(), 1}, result, cancel);
    FAIL() << "the run did not stop";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Message(), "404 Not Found");
  }
  EXPECT_EQ(window.last_progress, "2 из 3");
  EXPECT_FALSE(window.enabled);
  EXPECT_TRUE(result.Empty());
}

// Records the order in which pages are asked for.
class RecordingPages final : public PageSource {
 public:
  explicit RecordingPages(PageSource& pages) : pages_(pages) {}
  Page Get(const std::string& url, const CancelSignal& cancel) override {
    {
      const std::lock_guard lock(mutex_);
      urls.push_back(url);
    }
    return pages_.Get(url, cancel);
  }
  std::vector<std::string> urls;

 private:
  PageSource& pages_;
  std::mutex mutex_;
};

// Fetching ahead, on one connection or several, gives the bytes and the request order of the
// plain sequential run, over the end-to-end catalogue; in GPX 1.0 too, composed on its own or
// as the window keeps it, the GPX 1.1 text with its edits.
TEST(PipelinedRunTest, SameBytesAndRequestsAsTheSequentialRun) {
  TempDir dir;
  const std::string catalogue = (dir.Path() / "catalogue").string();
  const std::string make_site =
      "python3 '" + std::string(TRELKA_E2E_DIR) + "/make_site.py' '" + catalogue + "' 120";
  ASSERT_EQ(std::system(make_site.c_str()), 0);
  NginxServer server(catalogue + "/site");
  const std::string waypoints = catalogue + "/caches.wpt";
  const CancelSignal cancel;
  IdHTTP client;

  CountingWindow sequential_window;
  RecordingPages sequential_pages(client);
  const std::string expected = faithful::SequentialRun(waypoints, sequential_window,
                                                       sequential_pages, server.Address(), cancel);
  ASSERT_GT(expected.size(), 100000u);
  for (const int connections : {1, 4}) {
    CountingWindow window;
    RecordingPages pages(client);
    Utf8Document document;
    trelka::Run(waypoints, window, pages, {server.Address(), connections}, document, cancel);
    EXPECT_TRUE(document.Text() == expected) << connections << " connections";
    std::vector<std::string> order = pages.urls;
    if (connections > 1) {  // several threads: the same requests, started in about that order
      std::vector<std::string> sorted = sequential_pages.urls;
      std::sort(order.begin(), order.end());
      std::sort(sorted.begin(), sorted.end());
      EXPECT_EQ(order, sorted);
    } else {
      EXPECT_EQ(order, sequential_pages.urls);
    }
  }

  constexpr std::string_view kSite = "https://catalogue.test/cache/";
  const std::string expected10 = faithful::SequentialRun(
      waypoints, sequential_window, client, server.Address(), cancel, GpxShape::kGpx10, kSite);
  ASSERT_NE(expected10.find("<bounds "), std::string::npos);
  CountingWindow window;
  Utf8Document document;
  RunSettings settings{server.Address(), 4};
  settings.shape = GpxShape::kGpx10;
  settings.cache_page_address = kSite;
  trelka::Run(waypoints, window, client, settings, document, cancel);
  EXPECT_TRUE(document.Text() == expected10) << "GPX 1.0";
  ShapeEdits gpx10;
  settings.gpx10_edits = &gpx10;
  trelka::Run(waypoints, window, client, settings, document, cancel);
  EXPECT_TRUE(document.Text() == expected) << "GPX 1.1 beside its edits";
  EXPECT_TRUE(gpx10.Apply(document) == expected10) << "GPX 1.0 from the edits";
}

}  // namespace
}  // namespace trelka
