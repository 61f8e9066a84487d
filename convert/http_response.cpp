#include "http_response.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "http_failures.h"
#include "text_primitives.h"

namespace trelka {

namespace {

constexpr std::size_t kReceiveSize = std::size_t{64} * 1024;

[[noreturn]] void RaiseTooLarge(std::string_view what) {
  throw EResponseTooLarge("Response " + std::string(what) + " exceeds 64 MiB");
}

// Buffers what the source delivers and hands it out as lines and byte runs.
class ResponseStream {
 public:
  explicit ResponseStream(ByteSource& source) : source_(source) {}

  // The bytes up to the next LF, without it and without one CR right before it. A close
  // where a line would begin fails; a close in the middle of a line gives an empty line and
  // leaves its bytes for whatever is read next.
  std::string ReadLine() {
    std::size_t scanned = 0;  // counted from next_, which a Receive may move
    for (;;) {
      const char* unread = storage_.data() + next_;
      const void* lf = scanned < Buffered()
                           ? std::memchr(unread + scanned, '\n', Buffered() - scanned)
                           : nullptr;
      if (lf != nullptr) {
        const auto taken = static_cast<std::size_t>(static_cast<const char*>(lf) - unread) + 1;
        next_ += taken;
        const bool cr = taken > 1 && unread[taken - 2] == '\r';
        return {unread, taken - 1 - (cr ? 1 : 0)};
      }
      scanned = Buffered();
      if (scanned > kMaxResponseBytes) RaiseTooLarge("line");
      if (!Receive()) {
        if (Buffered() == 0) throw EIdConnClosedGracefully();
        return {};
      }
    }
  }

  // Appends exactly count bytes to out; fails when the connection closes first.
  void ReadExactly(std::size_t count, std::string& out) {
    while (count > 0) {
      if (Buffered() == 0 && !Receive()) throw EIdConnClosedGracefully();
      const std::size_t take = std::min(count, Buffered());
      Take(take, out);
      count -= take;
    }
  }

  // Appends everything up to the close to out, at most limit bytes in all.
  void ReadUntilClose(std::string& out, std::size_t limit) {
    do {
      if (out.size() + Buffered() > limit) RaiseTooLarge("body");
      Take(Buffered(), out);
    } while (Receive());
  }

 private:
  [[nodiscard]] std::size_t Buffered() const { return end_ - next_; }

  void Take(std::size_t count, std::string& out) {
    out.append(storage_.data() + next_, count);
    next_ += count;
  }

  // Adds what the source delivers next to the buffer; false once the peer has closed. The
  // storage only grows when the unread bytes need it, and is never cleared byte by byte, so
  // that a source delivering single bytes costs no more than one delivering 64 KiB at once.
  bool Receive() {
    if (closed_) return false;
    if (next_ == end_) {
      next_ = end_ = 0;
    } else if (next_ > kReceiveSize && next_ * 2 > end_) {
      std::memmove(storage_.data(), storage_.data() + next_, Buffered());
      end_ -= next_;
      next_ = 0;
    }
    if (storage_.size() - end_ < kReceiveSize) storage_.resize(end_ + kReceiveSize);
    const std::size_t got = source_.Receive(storage_.data() + end_, kReceiveSize);
    end_ += got;
    closed_ = got == 0;
    return got > 0;
  }

  ByteSource& source_;
  std::vector<char> storage_;
  std::size_t next_ = 0;  // the first unread byte
  std::size_t end_ = 0;   // one past the last received byte
  bool closed_ = false;
};

struct Header {
  std::string name;
  std::string value;
};

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view WithoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  return text;
}

// Header lines up to the empty line. A line that starts with a blank or tab continues the one
// above it.
std::vector<Header> ReadHeaders(ResponseStream& stream) {
  std::vector<Header> headers;
  for (;;) {
    const std::string line = stream.ReadLine();
    if (line.empty()) return headers;
    if (line.front() == ' ' || line.front() == '\t') {
      if (headers.empty()) continue;
      std::string& value = headers.back().value;
      if (!value.empty() && value.back() != ' ' && value.back() != '\t') value += ' ';
      value += WithoutLeadingBlanks(line);
      continue;
    }
    const auto colon = line.find(':');
    Header header{line.substr(0, colon), {}};
    if (colon != std::string::npos) {
      header.value = std::string(WithoutLeadingBlanks(std::string_view(line).substr(colon + 1)));
    }
    headers.push_back(std::move(header));
  }
}

// The value of the first header of that name; empty when there is none.
std::string_view HeaderValue(const std::vector<Header>& headers, std::string_view name) {
  for (const Header& header : headers) {
    if (EqualsIgnoringCase(header.name, name)) return header.value;
  }
  return {};
}

template <typename Integer>
std::optional<Integer> ParseDecimal(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  Integer value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  return value;
}

// Missing, empty, negative, out of range or not a number: 0, which means "read until close".
std::uint64_t ContentLength(std::string_view value) {
  const auto length = ParseDecimal<std::int64_t>(value);
  return length && *length > 0 ? static_cast<std::uint64_t>(*length) : 0;
}

// The line's leading hexadecimal digits, so that a chunk extension after the size does not
// end the body; saturates instead of overflowing.
std::uint64_t ChunkSize(std::string_view line) {
  std::uint64_t size = 0;
  for (char c : line) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      break;
    }
    size = size > (UINT64_MAX >> 4) ? UINT64_MAX : size * 16 + static_cast<unsigned>(digit);
  }
  return size;
}

std::string ReadBody(ResponseStream& stream, const std::vector<Header>& headers) {
  std::string body;
  if (const std::uint64_t length = ContentLength(HeaderValue(headers, "Content-Length"))) {
    if (length > kMaxResponseBytes) RaiseTooLarge("body");
    stream.ReadExactly(static_cast<std::size_t>(length), body);
  } else if (HeaderValue(headers, "Transfer-Encoding").find("chunked") != std::string_view::npos) {
    for (;;) {
      const std::uint64_t size = ChunkSize(stream.ReadLine());
      if (size == 0) break;
      if (size > kMaxResponseBytes - body.size()) RaiseTooLarge("body");
      stream.ReadExactly(static_cast<std::size_t>(size), body);
      (void)stream.ReadLine();
    }
    (void)stream.ReadLine();
  } else {
    stream.ReadUntilClose(body, kMaxResponseBytes);
  }
  return body;
}

}  // namespace

std::string ReadResponse(ByteSource& source) {
  ResponseStream stream(source);
  const std::string status_line = stream.ReadLine();
  const auto blank = status_line.find(' ');
  const std::string status_text =
      blank == std::string::npos ? std::string() : status_line.substr(blank + 1);
  const std::string code_token = status_text.substr(0, status_text.find(' '));
  const auto status_code = ParseDecimal<std::int32_t>(code_token);
  if (!status_code) throw EConvertError("'" + code_token + "' is not a valid integer value");

  const std::vector<Header> headers = ReadHeaders(stream);
  std::string body = ReadBody(stream, headers);

  const int code = *status_code;
  const bool redirect =
      !HeaderValue(headers, "Location").empty() || (code >= 300 && code <= 399 && code != 304);
  if (redirect || code < 200 || code > 299) throw EIdProtocolReplyError(code, status_text);
  return body;
}

}  // namespace trelka
