#include "http/http_url.h"

#include <gtest/gtest.h>

#include "http/http_failures.h"
#include "http/service_address.h"
#include "test_support.h"

namespace trelka {
namespace {

TEST(SplitUrlTest, HostPortAndTarget) {
  struct Case {
    const char* url;
    const char* host;
    std::uint16_t port;
    const char* target;
  } cases[] = {
      {"http://pages.test/cache.php?cid=1234", "pages.test", 80, "/cache.php?cid=1234"},
      {"http://Pages.Test:8080/cache.php?cid=1", "Pages.Test", 8080, "/cache.php?cid=1"},
      {"http://h:x/cache.php?cid=1", "h", 80, "/cache.php?cid=1"},
      {"http://h:99999/a", "h", 80, "/a"},
      {"http://h/cache.php?cid=", "h", 80, "/cache.php?cid="},
      {"http://h/cache.php?cid=1\\2", "h", 80, "/cache.php?cid=1/2"},
      {"http://h/cache.php?cid=12#frag", "h", 80, "/cache.php?cid=12"},
      {"http://h/cache.php?cid=1#a/2#b", "h", 80, "/cache.php?cid=1#a/2"},
      {"http://h/cache.php?cid=1 2\xC0", "h", 80, "/cache.php?cid=1 2\xC0"},
      {"http://h", "h", 80, "/"},
      {"http:\\\\h\\x", "h", 80, "/x"},
      {"http://[::1]:8080/cache.php?cid=1", "[::1]", 8080, "/cache.php?cid=1"},
      {"http://[2001:db8::7]/x", "[2001:db8::7]", 80, "/x"},
  };
  for (const auto& c : cases) {
    const HttpTarget target = SplitUrl(c.url);
    EXPECT_EQ(target.host, c.host) << c.url;
    EXPECT_EQ(target.port, c.port) << c.url;
    EXPECT_EQ(target.request_target, c.target) << c.url;
  }
  EXPECT_THROW((void)SplitUrl("HTTPS://h/x"), EIdInterceptPropInvalid);
}

TEST(CachePageUrlTest, EncodesWhatMayNotStandInATarget) {
  struct Case {
    std::string id;
    std::string url;
  } cases[] = {
      {"1234", "http://h/cache.php?cid=1234"},
      {"", "http://h/cache.php?cid="},
      {"aZ09-._~!$&'()*+,;=:@/?", "http://h/cache.php?cid=aZ09-._~!$&'()*+,;=:@/?"},
      {std::string("\x01\r\n\x7F\xC0\xFF", 6), "http://h/cache.php?cid=%01%0D%0A%7F%C0%FF"},
      {"\"<>[]^`{|}", "http://h/cache.php?cid=%22%3C%3E%5B%5D%5E%60%7B%7C%7D"},
      {"%41", "http://h/cache.php?cid=%2541"},
      {"50%", "http://h/cache.php?cid=50%25"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CachePageUrl("http://h", c.id), c.url) << testing::Escaped(c.id);
  }
}

TEST(ServiceAddressTest, UsableAddressesAndWhatIsWrongWithTheOthers) {
  struct Case {
    const char* address;
    const char* problem;  // "" for a usable address
  } cases[] = {
      {"http://pda.geocaching.su", ""},
      {"HTTP://Pages.Test:1", ""},
      {"http://[::1]:8080", ""},
      {"https://pages.test", ""},  // refused by the page client, with its own message
      {"pages.test", "the address must start with http://"},
      {"http://", "the address names no host"},
      {"http://h:65536", "the port must be a number from 1 to 65535"},
      {"http://h:0", "the port must be a number from 1 to 65535"},
      {"http://::1:8080", "an IPv6 address must stand in brackets, as in http://[::1]:8080"},
      {"http://[::1", "an IPv6 address must end with \"]\""},
      {"http://[::g]:80", "\"::g\" is not an IPv6 address"},
      {"http://[::1]x", "only \":\" and a port may follow an IPv6 address"},
      {"http://user:pass@h", "the address must not hold a user name or password (\"@\")"},
      {"http://h/", "the address must end after the host and port, with no path"},
      {"http://h?x", "the address must end after the host and port, with no path"},
      {"http://h\r\nX-Injected: 1", "the address holds a control character (such as a line break)"},
      {"http://h st", "the host may hold only letters, digits, \"-\", \".\" and \"_\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ServiceAddressProblem(c.address), c.problem) << testing::Escaped(c.address);
  }
}

}  // namespace
}  // namespace trelka
