#include "page_client.h"

#include <gtest/gtest.h>

#include <netdb.h>

#include <cerrno>
#include <chrono>

#include "conversion_run.h"
#include "http_failures.h"
#include "http_response.h"
#include "http_url.h"
#include "loopback_server.h"
#include "socket_errors.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::Escaped;
using testing::LoopbackServer;
using testing::Reply;
using namespace std::chrono_literals;

constexpr std::string_view kRequestTail =
    "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n";

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
  };
  for (const auto& c : cases) {
    const HttpTarget target = SplitUrl(c.url);
    EXPECT_EQ(target.host, c.host) << c.url;
    EXPECT_EQ(target.port, c.port) << c.url;
    EXPECT_EQ(target.request_target, c.target) << c.url;
  }
  EXPECT_THROW((void)SplitUrl("HTTPS://h/x"), EIdInterceptPropInvalid);
}

TEST(SocketErrorsTest, MessagesAndNumbers) {
  EXPECT_EQ(SocketErrorMessage(10061), "Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(SocketErrorMessage(10035), "Socket Error # 10035\r\nOperation would block. ");
  EXPECT_EQ(SocketErrorMessage(10066), "Socket Error # 10066\r\nDirectory not empty");
  EXPECT_EQ(SocketErrorMessage(11001), "Socket Error # 11001\r\n");
  struct Case {
    int error_number, winsock;
  } cases[] = {{ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},    {ECONNRESET, 10054},
               {EPIPE, 10053},        {ECONNABORTED, 10053}, {ENETUNREACH, 10051},
               {EHOSTUNREACH, 10065}, {EHOSTDOWN, 10064},    {EMFILE, 10024},
               {EACCES, 10013},       {EINTR, 10004},        {EADDRNOTAVAIL, 10049}};
  for (const auto& c : cases) EXPECT_EQ(WinsockNumberOfErrno(c.error_number), c.winsock);
  EXPECT_EQ(WinsockNumberOfResolverError(EAI_NONAME, 0), 11001);
  EXPECT_EQ(WinsockNumberOfResolverError(EAI_AGAIN, 0), 11002);
  EXPECT_EQ(WinsockNumberOfResolverError(EAI_FAIL, 0), 11003);
  EXPECT_EQ(WinsockNumberOfResolverError(EAI_NODATA, 0), 11004);
}

TEST(PageClientTest, RequestBytes) {
  struct Case {
    const char* name;
    std::string address_host;  // what stands between "http://" and the port
    std::string id;
    std::string request_line;
    std::string host_line;
  } cases[] = {
      {"ordinary id", "127.0.0.1", "1234", "GET /cache.php?cid=1234 HTTP/1.0\r\n",
       "Host: 127.0.0.1\r\n"},
      {"empty id", "127.0.0.1", "", "GET /cache.php?cid= HTTP/1.0\r\n", "Host: 127.0.0.1\r\n"},
      {"backslash", "127.0.0.1", "1\\2", "GET /cache.php?cid=1/2 HTTP/1.0\r\n",
       "Host: 127.0.0.1\r\n"},
      {"number sign", "127.0.0.1", "12#x", "GET /cache.php?cid=12 HTTP/1.0\r\n",
       "Host: 127.0.0.1\r\n"},
      {"blank sent unescaped", "127.0.0.1", "1 2", "GET /cache.php?cid=1 2 HTTP/1.0\r\n",
       "Host: 127.0.0.1\r\n"},
      {"LOCALHOST in any case, host kept", "LocalHost", "7", "GET /cache.php?cid=7 HTTP/1.0\r\n",
       "Host: LocalHost\r\n"},
  };
  for (const auto& c : cases) {
    LoopbackServer server({{"HTTP/1.0 200 OK\r\n\r\nbody"}});
    const std::string address = "http://" + c.address_host + ":" + std::to_string(server.Port());
    IdHTTP client;
    EXPECT_EQ(client.Get(CachePageUrl(address, c.id)), "body") << c.name;
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(Escaped(server.Requests()[0]),
              Escaped(c.request_line + c.host_line + std::string(kRequestTail)))
        << c.name;
  }
}

// The message of the failure Get raises, or "success".
std::string FailureOf(const std::string& url, IdHTTP client = IdHTTP()) {
  try {
    (void)client.Get(url);
  } catch (const Failure& failure) {
    return failure.Message();
  }
  return "success";
}

TEST(PageClientTest, ProtocolErrorCarriesTheStatusCode) {
  LoopbackServer server({{"HTTP/1.0 404 Not Found\r\n\r\n"}});
  try {
    (void)IdHTTP().Get(server.Address() + "/cache.php?cid=1");
    FAIL();
  } catch (const EIdProtocolReplyError& error) {
    EXPECT_EQ(error.StatusCode(), 404);
  }
}

TEST(PageClientTest, SocketFailures) {
  EXPECT_EQ(FailureOf("http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/x"),
            "Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(FailureOf("https://127.0.0.1/x"), "Intercept value is not valid");
  {
    LoopbackServer reset({{"HTTP/1.0 200 OK\r\n\r\npartial", Reply::Then::kReset}});
    const std::string message = FailureOf(reset.Address() + "/x");
    EXPECT_TRUE(message == "Socket Error # 10054\r\nConnection reset by peer." ||
                message == "success")  // the reset may come after the peer's data was read
        << Escaped(message);
  }
}

TEST(PageClientTest, StalledServerTimesOut) {
  LoopbackServer server({{"HTTP/1.0 200 OK\r\n\r\nsome", Reply::Then::kStall}});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FailureOf(server.Address() + "/x", IdHTTP(1s, 200ms)),
            "Socket Error # 10060\r\nConnection timed out.");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(PageClientTest, EndlessBodyStopsAtTheLimit) {
  std::string huge = "HTTP/1.0 200 OK\r\n\r\n";
  huge.append(kMaxResponseBytes + 1, 'x');
  LoopbackServer server({{huge}});
  EXPECT_EQ(FailureOf(server.Address() + "/x"), "Response body exceeds 64 MiB");
}

}  // namespace
}  // namespace trelka
