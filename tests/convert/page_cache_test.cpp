#include "page_cache.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace trelka
