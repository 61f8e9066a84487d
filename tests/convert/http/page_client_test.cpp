#include "http/page_client.h"

#include <gtest/gtest.h>

#include <netdb.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "http/http_failures.h"
#include "http/http_response.h"
#include "http/http_url.h"
#include "http/name_lookup.h"
#include "http/socket_errors.h"
#include "loopback_server.h"
#include "platform/posix/socket_error_numbers.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::Escaped;
using testing::LoopbackServer;
using testing::Reply;
using namespace std::chrono_literals;

// Exchanges in these tests are never cancelled, but where a test says so.
const CancelSignal& NotCancelled() {
  static const CancelSignal never;
  return never;
}

constexpr std::string_view kRequestTail =
    "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n";

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
      {"backslash encoded", "127.0.0.1", "1\\2", "GET /cache.php?cid=1%5C2 HTTP/1.0\r\n",
       "Host: 127.0.0.1\r\n"},
      {"number sign encoded", "127.0.0.1", "12#x", "GET /cache.php?cid=12%23x HTTP/1.0\r\n",
       "Host: 127.0.0.1\r\n"},
      {"blank, CR LF and a high byte encoded", "127.0.0.1", "1 2\r\nX: \xC0",
       "GET /cache.php?cid=1%202%0D%0AX:%20%C0 HTTP/1.0\r\n", "Host: 127.0.0.1\r\n"},
      {"LOCALHOST in any case, host kept", "LocalHost", "7", "GET /cache.php?cid=7 HTTP/1.0\r\n",
       "Host: LocalHost\r\n"},
      {"IPv6 literal, brackets kept in Host", "[::1]", "8", "GET /cache.php?cid=8 HTTP/1.0\r\n",
       "Host: [::1]\r\n"},
  };
  for (const auto& c : cases) {
    const bool ipv6 = c.address_host.starts_with('[');
    if (ipv6 && !testing::HasIpv6Loopback()) continue;
    LoopbackServer server({{"HTTP/1.0 200 OK\r\n\r\nbody"}},
                          ipv6 ? testing::Loopback::kIpv6 : testing::Loopback::kIpv4);
    const std::string address = "http://" + c.address_host + ":" + std::to_string(server.Port());
    IdHTTP client;
    EXPECT_EQ(client.Get(CachePageUrl(address, c.id), NotCancelled()), "body") << c.name;
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(Escaped(server.Requests()[0]),
              Escaped(c.request_line + c.host_line + std::string(kRequestTail)))
        << c.name;
  }
}

// The message of the failure Get raises, or "success".
std::string FailureOf(const std::string& url, ExchangeLimits limits = {}) {
  try {
    (void)IdHTTP(limits).Get(url, NotCancelled());
  } catch (const Failure& failure) {
    return failure.Message();
  }
  return "success";
}

TEST(PageClientTest, ProtocolErrorCarriesTheStatusCode) {
  LoopbackServer server({{"HTTP/1.0 404 Not Found\r\n\r\n"}});
  try {
    (void)IdHTTP().Get(server.Address() + "/cache.php?cid=1", NotCancelled());
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

constexpr char kTimedOut[] = "Socket Error # 10060\r\nConnection timed out.";

// Short limits stand in for the real ones (30 s, 60 s and 1 KiB per 60 s), so that a stage
// that never ends or a drip shows within a second.
TEST(PageClientTest, WaitsAndSlowServersAreBounded) {
  const ExchangeLimits limits{.connect = 300ms, .receive = 400ms, .progress_bytes = 1024};
  const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 4000\r\n\r\n";
  const std::string body(4000, 'x');
  struct Case {
    const char* name;
    Reply reply;
    const char* message;
  } cases[] = {
      {"a silent server", {head + "some", Reply::Then::kStall}, kTimedOut},
      {"a drip: every wait short, too little in each span",
       {head + body, Reply::Then::kClose, 10, 100ms},
       kTimedOut},
      {"slow but steady (10 KB/s) arrives whole",
       {head + body, Reply::Then::kClose, 100, 10ms},
       "success"},
  };
  for (const auto& c : cases) {
    LoopbackServer server({c.reply});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Escaped(FailureOf(server.Address() + "/x", limits)), Escaped(c.message)) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << c.name;
  }
  testing::StalledListener never_accepts;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FailureOf(never_accepts.Address() + "/x", limits), kTimedOut) << "connect";
  EXPECT_GE(std::chrono::steady_clock::now() - start, limits.connect);
}

// A lookup the system would take ages over ends at the connect limit, or when cancelled.
ResolverAnswer SilentNameServer(const std::string& /*name*/) {
  std::this_thread::sleep_for(3s);
  return {11002, 0};
}

TEST(NameLookupTest, BoundedAndCancellable) {
  const auto start = std::chrono::steady_clock::now();
  try {
    (void)LookUpHost("pages.test", 80, start + 200ms, NotCancelled(), SilentNameServer);
    ADD_FAILURE() << "no time-out";
  } catch (const EIdSocketError& error) {
    EXPECT_EQ(error.Number(), 10060);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

// Wherever an exchange waits, a cancel ends it within 100 ms.
TEST(PageClientTest, CancelEndsEveryWait) {
  LoopbackServer silent({{"HTTP/1.0 200 OK\r\n\r\nsome", Reply::Then::kStall}});
  testing::StalledListener never_accepts;
  struct Case {
    const char* stage;
    std::function<void(const CancelSignal&)> wait;
  } cases[] = {
      {"receiving", [&](const CancelSignal& c) { (void)IdHTTP().Get(silent.Address(), c); }},
      {"connecting",
       [&](const CancelSignal& c) { (void)IdHTTP().Get(never_accepts.Address(), c); }},
      {"looking up",
       [](const CancelSignal& c) {
         (void)LookUpHost("pages.test", 80, std::chrono::steady_clock::now() + 10s, c,
                          SilentNameServer);
       }},
  };
  for (const auto& c : cases) {
    CancelSignal cancel;
    std::thread canceller([&] {
      std::this_thread::sleep_for(200ms);
      cancel.Cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(c.wait(cancel), RunCancelled) << c.stage;
    const auto took = std::chrono::steady_clock::now() - start;
    canceller.join();
    EXPECT_LT(took, 300ms) << c.stage;
  }
}

// Counts its lookups and answers 127.0.0.1 for every name.
std::atomic<int> lookups{0};
ResolverAnswer CountingResolver(const std::string& /*name*/) {
  ++lookups;
  return {0, 0x7F000001};
}

TEST(PageClientTest, OneLookupPerRun) {
  LoopbackServer server({{"HTTP/1.0 200 OK\r\n\r\nbody"}});
  const std::string url = "http://pages.test:" + std::to_string(server.Port()) + "/x";
  IdHTTP client({}, CountingResolver);
  lookups = 0;
  client.StartRun();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(client.Get(url, NotCancelled()), "body");
  EXPECT_EQ(lookups, 1);
  client.StartRun();
  EXPECT_EQ(client.Get(url, NotCancelled()), "body");
  EXPECT_EQ(lookups, 2);
  EXPECT_EQ(server.RequestLines().size(), 4u);
}

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(std::distance(
      std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator()));
}

TEST(PageClientTest, FailedConnectsLeaveNoDescriptorOpen) {
  const std::string refused = "http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/x";
  (void)NotCancelled();  // its descriptor is opened once, on first use
  const std::size_t before = OpenDescriptors();
  for (int i = 0; i < 50; ++i) EXPECT_NE(FailureOf(refused), "success");
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(PageClientTest, EndlessBodyStopsAtTheLimit) {
  std::string huge = "HTTP/1.0 200 OK\r\n\r\n";
  huge.append(kMaxResponseBytes + 1, 'x');
  LoopbackServer server({{huge}});
  EXPECT_EQ(FailureOf(server.Address() + "/x"), "Response body exceeds 64 MiB");
}

}  // namespace
}  // namespace trelka
