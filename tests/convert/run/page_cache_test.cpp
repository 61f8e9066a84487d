#include "run/page_cache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "http/http_response.h"
#include "http/http_url.h"
#include "platform/failure.h"
#include "test_support.h"

namespace trelka {
namespace {

// Named for the id as the request carries it; nothing but letters, digits, "-", "_" and "%"
// escapes, so that no name leaves the folder or collides with another.
TEST(PageCacheTest, FileNamesStayInTheFolderAndNeverCollide) {
  const struct {
    std::string_view id_in_request;
    std::string_view name;
  } rows[] = {
      {"1234", "1234.html"},
      {"", ".html"},
      {"../../etc/passwd", "%2E%2E%2F%2E%2E%2Fetc%2Fpasswd.html"},
      {"a%20b", "a%2520b.html"},
      {"x.html", "x%2Ehtml.html"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(StoredPageName(row.id_in_request), row.name) << row.id_in_request;
  }
}

// A page source that every test here expects not to be asked.
class NoPages final : public PageSource {
 public:
  Page Get(const std::string& url, const CancelSignal& /*cancel*/) override {
    ADD_FAILURE() << "asked for " << url;
    return {};
  }
};

// No page from the service is larger than a response may be, so a larger stored file fails
// before a byte of it is read, and the page is not fetched in its place.
TEST(PageCacheTest, AStoredPageOverTheResponseLimitFails) {
  testing::TempDir dir;
  const std::string service = "http://127.0.0.1:9";
  const std::string stored = dir.Write(StoredPageName("7"), "");
  std::filesystem::resize_file(stored, kMaxResponseBytes + 1);  // sparse: no 64 MiB written
  NoPages pages;
  PageCache cache(pages, dir.Path().string(), service, PageCache::Mode::kUseStored);
  const CancelSignal cancel;
  try {
    (void)cache.Get(CachePageUrl(service, "7"), cancel);
    ADD_FAILURE() << "no failure";
  } catch (const FileFailure& failure) {
    EXPECT_EQ(failure.Message(), "Stored page exceeds 64 MiB");
  }
}

}  // namespace
}  // namespace trelka
