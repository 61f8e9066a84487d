#include "http/http_response.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "http/http_failures.h"
#include "http/socket_errors.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::Escaped;
using namespace std::string_literals;

constexpr int kWsaConnReset = 10054;

// The piece sizes a socket may deliver: single bytes, odd small runs, whole receive buffers.
constexpr std::size_t kPieces[] = {1, 7, std::size_t{64} << 10};

// What the source does once the response's bytes are delivered: close, raise the socket
// failure of a reset or of an expired wait (a peer that never closes), or send the repeated
// bytes again and again.
struct Then {
  enum Kind { kClose, kReset, kStall, kRepeat } kind = kClose;
  std::string repeated;
};
const Then kReset{Then::kReset, {}};
const Then kStall{Then::kStall, {}};
Then Repeat(std::string bytes) { return {Then::kRepeat, std::move(bytes)}; }

// A heap copy of exactly the bytes' size, so that AddressSanitizer sees a read past its end.
class ExactCopy {
 public:
  explicit ExactCopy(std::string_view bytes)
      : data_(std::make_unique_for_overwrite<char[]>(bytes.size())), size_(bytes.size()) {
    std::memcpy(data_.get(), bytes.data(), size_);
  }
  [[nodiscard]] const char* Data() const { return data_.get(); }
  [[nodiscard]] std::size_t Size() const { return size_; }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_;
};

// Delivers the response in pieces of at most piece bytes, then does what then says.
class PiecewiseSource final : public ByteSource {
 public:
  PiecewiseSource(std::string_view response, const Then& then, std::size_t piece)
      : response_(response), repeated_(then.repeated), kind_(then.kind), piece_(piece) {}

  std::size_t Receive(char* buffer, std::size_t capacity) override {
    const std::size_t most = std::min(capacity, piece_);
    if (sent_ < response_.Size()) return Copy(response_, sent_, most, buffer);
    switch (kind_) {
      case Then::kClose:
        return 0;
      case Then::kReset:
        throw EIdSocketError(kWsaConnReset);
      case Then::kStall:
        throw EIdSocketError(kWsaTimedOut);
      case Then::kRepeat:
        if (repeated_at_ == repeated_.Size()) repeated_at_ = 0;
        return Copy(repeated_, repeated_at_, most, buffer);
    }
    return 0;
  }

 private:
  static std::size_t Copy(const ExactCopy& from, std::size_t& at, std::size_t most, char* to) {
    const std::size_t take = std::min(most, from.Size() - at);
    std::memcpy(to, from.Data() + at, take);
    at += take;
    return take;
  }

  ExactCopy response_, repeated_;
  Then::Kind kind_;
  std::size_t piece_;
  std::size_t sent_ = 0, repeated_at_ = 0;
};

struct Exchange {
  const char* name;
  std::string response;
  std::string expected;  // the body, or the failure's message
  Then then = {};
};

struct Outcome {
  bool succeeded;
  std::string text;  // the body, or the failure's message
};

Outcome Read(const Exchange& exchange, std::size_t piece) {
  PiecewiseSource source(exchange.response, exchange.then, piece);
  try {
    return {true, std::string(ReadResponse(source).Text())};
  } catch (const Failure& failure) {
    return {false, failure.Message()};
  }
}

// Each exchange read in pieces of every size, succeeding (with the expected body) or failing
// (with the expected message).
template <std::size_t N>
void ExpectAtEveryPieceSize(const Exchange (&cases)[N], bool succeeded) {
  for (const auto& c : cases) {
    for (const std::size_t piece : kPieces) {
      const Outcome outcome = Read(c, piece);
      EXPECT_EQ(outcome.succeeded, succeeded) << c.name << " in pieces of " << piece;
      EXPECT_EQ(Escaped(outcome.text), Escaped(c.expected)) << c.name << " in pieces of " << piece;
    }
  }
}

constexpr std::string_view kOk = "HTTP/1.0 200 OK\r\n";

// A 200 response whose status and header lines with the empty line take exactly size bytes.
std::string HeadOfSize(std::size_t size) {
  const std::string_view open = "X-Filler: ", close = "\r\n\r\n";
  return std::string(kOk) + std::string(open) +
         std::string(size - kOk.size() - open.size() - close.size(), 'f') + std::string(close);
}

// A 200 response whose head of about size bytes is header lines of two bytes each.
std::string HeadOfShortLines(std::size_t size) {
  std::string head(kOk);
  while (head.size() + 4 <= size) head += "a\n";
  return head + "\r\n";
}

TEST(HttpResponseTest, SuccessfulBodies) {
  const std::string big(200000, 'x');
  const Exchange cases[] = {
      {"Content-Length exact", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nabcde", "abcde"},
      {"bytes behind Content-Length", "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcdef", "abc"},
      {"Content-Length body, then a peer that never closes",
       "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc", "abc", kStall},
      {"until close", "HTTP/1.0 200 OK\r\nServer: x\r\n\r\nall of it\r\n", "all of it\r\n"},
      {"Content-Length 0", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\nrest", "rest"},
      {"Content-Length not a number", "HTTP/1.0 200 OK\r\nContent-Length: ten\r\n\r\nrest", "rest"},
      {"negative Content-Length", "HTTP/1.0 200 OK\r\nContent-Length: -4\r\n\r\nrest", "rest"},
      {"Content-Length past 64 bits",
       "HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nrest", "rest"},
      {"equal Content-Lengths",
       "HTTP/1.0 200 OK\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\nabcd", "ab"},
      {"Content-Lengths that all mean none",
       "HTTP/1.0 200 OK\r\nContent-Length: ten\r\nContent-Length: 0\r\nContent-Length:\r\n\r\nab",
       "ab"},
      {"empty body", "HTTP/1.0 204 No Content\r\n\r\n", ""},
      {"204 held open", "HTTP/1.0 204 No Content\r\nTransfer-Encoding: chunked\r\n\r\n", "",
       kStall},
      {"LF-only line ends and lower-case names", "HTTP/1.0 200 OK\ncontent-length: 2\n\nabc", "ab"},
      {"bare CR does not end a line", "HTTP/1.0 200 OK\r\nServer: a\rContent-Length: 1\r\n\r\nab",
       "ab"},
      {"NUL in header value", "HTTP/1.0 200 OK\r\nServer: a\0b\r\nContent-Length: 2\r\n\r\nabc"s,
       "ab"},
      {"NUL and high bytes in the body", "HTTP/1.0 200 OK\r\n\r\na\0\xFF\x98"s, "a\0\xFF\x98"s},
      {"continuation line joins the value",
       "HTTP/1.0 200 OK\r\nTransfer-Encoding: gzip,\r\n chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
       "abc"},
      {"continuation of an unused header is skipped",
       "HTTP/1.0 200 OK\r\nServer: x\r\n Content-Length: 2\r\n\r\nabc", "abc"},
      {"chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nWiki\r\n5\r\npedia\r\n0\r\n\r\n",
       "Wikipedia"},
      {"chunk sizes with extensions",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4;name=value\r\nWiki\r\n"
       "5 ; x\r\npedia\r\n0\r\n\r\n",
       "Wikipedia"},
      {"Chunked with a capital C is chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n1\r\nx\r\n0\r\n\r\n", "x"},
      {"chunked decides over Content-Length",
       "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n"
       "4\r\nWiki\r\n0\r\n\r\n",
       "Wiki"},
      {"chunked body, then a peer that never closes",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nx\r\n0\r\n\r\n", "x", kStall},
      {"charset ignored, bytes unchanged",
       "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n\xC0\xFF\x98",
       "\xC0\xFF\x98"},
      {"large body", std::string(kOk) + "\r\n" + big, big},
      {"head of exactly 1 MiB", HeadOfSize(kMaxHeaderBytes) + "body", "body"},
      // The reader keeps nothing of a header line it does not use (see ResponseHead), so half
      // a million of them cost no memory beyond the receive buffer.
      {"1 MiB of two-byte header lines", HeadOfShortLines(kMaxHeaderBytes) + "body", "body"},
      {"chunk-size line of 64 KiB",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" +
           std::string(kMaxChunkLineBytes - 4, 'e') + "\r\nx\r\n0\r\n\r\n",
       "x"},
  };
  ExpectAtEveryPieceSize(cases, true);
}

TEST(HttpResponseTest, Failures) {
  const std::string closed = "Connection Closed Gracefully.";
  const std::string header_too_large = "Response header exceeds 1 MiB";
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  const Exchange cases[] = {
      {"redirect with Location", "HTTP/1.0 302 Found\r\nLocation: http://x/\r\n\r\nmoved",
       "302 Found"},
      {"3xx without Location", "HTTP/1.0 301 Moved Permanently\r\n\r\n", "301 Moved Permanently"},
      {"200 with Location", "HTTP/1.0 200 OK\r\nLocation: /x\r\n\r\n", "200 OK"},
      {"304", "HTTP/1.0 304 Not Modified\r\n\r\n", "304 Not Modified"},
      {"304 held open", "HTTP/1.0 304 Not Modified\r\n\r\n", "304 Not Modified", kStall},
      {"1xx held open", "HTTP/1.1 100 Continue\r\n\r\n", "100 Continue", kStall},
      {"404 with error page", "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here.",
       "404 Not Found"},
      {"500", "HTTP/1.0 500 Internal Server Error\r\n\r\n", "500 Internal Server Error"},
      {"non-integer status", "HTTP/1.1 abc OK\r\n\r\n", "'abc' is not a valid integer value"},
      {"close at once", "", closed},
      {"status line cut by the close", "HTTP/1.0 20", closed},
      {"close between headers", "HTTP/1.0 200 OK\r\nServer: x\r\n", closed},
      {"header line cut by the close", "HTTP/1.0 200 OK\r\nServer: x", closed},
      {"slowloris (incomplete)", "HTTP/1.0 200 OK\r\nX-a: b\r\n",
       "Socket Error # 10060\r\nConnection timed out.", kStall},
      {"shorter than Content-Length", "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc", closed},
      {"differing Content-Lengths",
       "HTTP/1.0 200 OK\r\nContent-Length: 2\r\nContent-Length: 4\r\n\r\nabcd",
       "'2, 4' is not a valid integer value"},
      {"chunk cut short", chunked + "9\r\nabc", closed},
      {"chunk-size line cut by the close", chunked + "4", closed},
      {"line after the last chunk cut by the close", chunked + "0\r\n\r", closed},
      {"chunk size without a hex digit", chunked + "zz;q=1\r\n\r\n",
       "'zz' is not a valid integer value"},
      {"empty chunk-size line", chunked + "\r\n", "'' is not a valid integer value"},
      {"announced body over the limit", "HTTP/1.0 200 OK\r\nContent-Length: 67108865\r\n\r\n",
       "Response body exceeds 64 MiB"},
      {"chunk over the limit", chunked + "4000001\r\n", "Response body exceeds 64 MiB"},
      {"chunks over the limit together", chunked + "1\r\nx\r\n4000000\r\n",
       "Response body exceeds 64 MiB"},
      {"head one byte past 1 MiB", HeadOfSize(kMaxHeaderBytes + 1) + "body", header_too_large},
      {"endless two-byte header lines", std::string(kOk), header_too_large, Repeat("a\n")},
      {"endless header line", std::string(kOk) + "X: ", header_too_large, Repeat("a")},
      {"60 MiB header line",
       std::string(kOk) + "X: " + std::string(std::size_t{60} << 20, 'a') + "\r\n\r\nbody",
       header_too_large},
      {"chunk-size line one byte past 64 KiB",
       chunked + "1;" + std::string(kMaxChunkLineBytes - 3, 'e') + "\r\nx\r\n0\r\n\r\n",
       "Response chunk line exceeds 64 KiB"},
      {"endless chunk-size line", chunked + "1;", "Response chunk line exceeds 64 KiB",
       Repeat("e")},
  };
  ExpectAtEveryPieceSize(cases, false);
}

TEST(HttpResponseTest, ResetAfterAnyByteFailsUnlessTheResponseIsWhole) {
  struct Case {
    const char* name;
    std::string response;
    bool whole_before_the_close;  // a reset after the last byte still gives the body
  } cases[] = {
      {"Content-Length", "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody", true},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nbody\r\n0\r\n\r\n",
       true},
      {"until close", "HTTP/1.0 200 OK\r\n\r\nbody", false},
  };
  const std::string reset = "Socket Error # 10054\r\nConnection reset by peer.";
  for (const auto& c : cases) {
    for (std::size_t after = 0; after <= c.response.size(); ++after) {
      for (const std::size_t piece : kPieces) {
        const Outcome outcome = Read({c.name, c.response.substr(0, after), "", kReset}, piece);
        const bool whole = after == c.response.size() && c.whole_before_the_close;
        EXPECT_EQ(Escaped(outcome.text), Escaped(whole ? "body" : reset))
            << c.name << ", reset after " << after << " bytes in pieces of " << piece;
      }
    }
  }
}

}  // namespace
}  // namespace trelka
