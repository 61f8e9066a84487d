#include "run/kept_pages.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/failure.h"

namespace trelka {
namespace {

// Answers a URL with its scripted page, or raises a Failure for a URL without one; records
// every request.
class CountingPages final : public PageSource {
 public:
  Page Get(const std::string& url, const CancelSignal& /*cancel*/) override {
    asked.push_back(url);
    const auto page = pages.find(url);
    if (page == pages.end()) throw Failure("404 Not Found");
    return page->second;
  }
  std::map<std::string, std::string> pages;
  std::vector<std::string> asked;
};

TEST(KeptPagesTest, AsksOnlyForWhatItDoesNotHold) {
  const struct {
    const char* what;
    std::size_t budget;
    std::vector<std::string> gets;
    std::vector<std::string> asked;
    std::size_t held;
  } rows[] = {
      {"a kept page is not asked for again", 100, {"a", "b", "a", "b"}, {"a", "b"}, 8},
      {"a failed page is not kept", 100, {"gone", "gone"}, {"gone", "gone"}, 0},
      {"the oldest go first when the budget is passed",
       10,
       {"a", "b", "c", "b", "a"},
       {"a", "b", "c", "a"},
       8},
      {"a page larger than the budget is handed on, not kept", 3, {"a", "a"}, {"a", "a"}, 0},
      {"a page that fills the budget exactly is kept", 4, {"a", "a"}, {"a"}, 4},
  };
  for (const auto& row : rows) {
    CountingPages source;
    source.pages = {{"a", "AAAA"}, {"b", "BBBB"}, {"c", "CCCC"}};
    KeptPages kept(source, row.budget);
    const CancelSignal cancel;
    for (const std::string& url : row.gets) {
      const auto page = source.pages.find(url);
      if (page == source.pages.end()) {
        EXPECT_THROW((void)kept.Get(url, cancel), Failure) << row.what;
      } else {
        EXPECT_EQ(kept.Get(url, cancel), page->second) << row.what;
      }
    }
    EXPECT_EQ(source.asked, row.asked) << row.what;
    EXPECT_EQ(kept.HeldBytes(), row.held) << row.what;
  }
}

}  // namespace
}  // namespace trelka
