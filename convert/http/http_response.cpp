#include "http/http_response.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "http/http_failures.h"
#include "text/text_primitives.h"

namespace trelka {

namespace {

constexpr std::size_t kReceiveSize = std::size_t{64} * 1024;
// Below this much room the buffer grows rather than receive in small pieces.
constexpr std::size_t kLeastReceive = std::size_t{4} * 1024;

[[noreturn]] void RaiseBodyTooLarge() { throw EResponseTooLarge("Response body exceeds 64 MiB"); }

[[noreturn]] void RaiseNotAnInteger(std::string_view token) {
  throw EConvertError("'" + std::string(token) + "' is not a valid integer value");
}

// How many bytes some lines may take together, line ends included, and the message of the
// failure when they would take more.
struct LineBudget {
  std::size_t left;
  std::string_view exceeded;
};

// Buffers what the source delivers and hands it out as lines and byte runs. Consumed bytes
// are dropped as it goes, so its storage stays within a small multiple of the longest line
// allowed plus one receive.
class ResponseStream {
 public:
  explicit ResponseStream(ByteSource& source) : source_(source) {}

  // The bytes up to the next LF, without it and without one CR right before it, valid until
  // the next read. Fails when the line with its LF would not fit in the budget, and when the
  // connection closes before the LF, at the start of the line or in its middle.
  std::string_view ReadLine(LineBudget& budget) {
    std::size_t scanned = 0;  // counted from next_, which a Receive may move
    for (;;) {
      const char* unread = storage_.get() + next_;
      const void* lf = scanned < Buffered()
                           ? std::memchr(unread + scanned, '\n', Buffered() - scanned)
                           : nullptr;
      if (lf != nullptr) {
        const auto taken = static_cast<std::size_t>(static_cast<const char*>(lf) - unread) + 1;
        if (taken > budget.left) break;
        budget.left -= taken;
        next_ += taken;
        const bool cr = taken > 1 && unread[taken - 2] == '\r';
        return {unread, taken - 1 - (cr ? 1 : 0)};
      }
      scanned = Buffered();
      if (scanned >= budget.left) break;
      if (!Receive()) throw EIdConnClosedGracefully();
    }
    throw EResponseTooLarge(std::string(budget.exceeded));
  }

  // Appends exactly count bytes to out; fails when the connection closes first. What is not
  // buffered yet is received straight into out, not copied there through the buffer.
  void ReadExactly(std::size_t count, std::string& out) {
    const std::size_t buffered = std::min(count, Buffered());
    Take(buffered, out);
    const std::size_t start = out.size();
    std::size_t got = 0;
    out.resize(start + count - buffered);
    while (start + got < out.size()) {
      const std::size_t n =
          closed_ ? 0 : source_.Receive(out.data() + start + got, out.size() - start - got);
      if (n == 0) {
        closed_ = true;
        out.resize(start + got);
        throw EIdConnClosedGracefully();
      }
      got += n;
    }
  }

  // The next count bytes as a page in the buffer they are received into; fails when the
  // connection closes first. Nothing after them is received.
  Page TakePage(std::size_t count) {
    if (capacity_ - next_ < count) MoveTo(count);
    while (Buffered() < count) {
      const std::size_t n =
          closed_ ? 0 : source_.Receive(storage_.get() + end_, next_ + count - end_);
      if (n == 0) {
        closed_ = true;
        throw EIdConnClosedGracefully();
      }
      end_ += n;
    }
    return HandOver(next_ + count);
  }

  // Everything up to the close, at most limit bytes, as a page in the buffer it is received
  // into.
  Page TakePageUntilClose(std::size_t limit) {
    do {
      if (Buffered() > limit) RaiseBodyTooLarge();
    } while (Receive());
    return HandOver(end_);
  }

 private:
  [[nodiscard]] std::size_t Buffered() const { return end_ - next_; }

  void Take(std::size_t count, std::string& out) {
    out.append(storage_.get() + next_, count);
    next_ += count;
  }

  // Adds what the source delivers next to the buffer; false once the peer has closed. The
  // storage is made once per response and grows only when the unread bytes need it (a long
  // line), and it is never cleared byte by byte, so that a source delivering single bytes
  // costs no more than one delivering 64 KiB at once.
  bool Receive() {
    if (closed_) return false;
    if (next_ == end_) {
      next_ = end_ = 0;
    } else if (next_ > 0 && Buffered() <= next_) {
      // Moving the unread bytes costs no more than reading them did.
      std::memmove(storage_.get(), storage_.get() + next_, Buffered());
      end_ -= next_;
      next_ = 0;
    }
    if (capacity_ - end_ < kLeastReceive) {
      // No larger than the largest body needs: a body received until the close is kept here.
      MoveTo(std::min(std::max(kReceiveSize, capacity_ * 2), kMaxResponseBytes + kLeastReceive));
    }
    const std::size_t got = source_.Receive(storage_.get() + end_, capacity_ - end_);
    end_ += got;
    closed_ = got == 0;
    return got > 0;
  }

  // The unread bytes up to end as a page, and the buffer with them: the stream is done.
  Page HandOver(std::size_t end) {
    Page page(Page::Received{std::move(storage_), next_, end});
    capacity_ = next_ = end_ = 0;
    return page;
  }

  // A buffer of capacity bytes, which the unread bytes fit, with them at its front.
  void MoveTo(std::size_t capacity) {
    // Not value-initialised: only received bytes are ever read.
    std::unique_ptr<char[]> grown(new char[capacity]);
    if (Buffered() > 0) std::memcpy(grown.get(), storage_.get() + next_, Buffered());
    end_ -= next_;
    next_ = 0;
    storage_ = std::move(grown);
    capacity_ = capacity;
  }

  ByteSource& source_;
  std::unique_ptr<char[]> storage_;
  std::size_t capacity_ = 0;
  std::size_t next_ = 0;  // the first unread byte
  std::size_t end_ = 0;   // one past the last received byte
  bool closed_ = false;
};

// The status line and the header values the exchange uses. Nothing of any other header line
// is kept, not even its name, so that many short lines cost no memory at all and the header
// section's memory is bounded by these values, which are bounded by kMaxHeaderBytes.
struct ResponseHead {
  std::int32_t code = 0;
  std::string status_text;
  std::optional<std::string> location;           // the first
  std::optional<std::string> transfer_encoding;  // the first
  std::optional<std::string> content_length;     // the first, which counts
  std::optional<std::string> differing_length;   // the first later one of another meaning
};

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view WithoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  return text;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view word) {
  for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
    if (EqualsIgnoringCase(text.substr(at, word.size()), word)) return true;
  }
  return false;
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

// Where the value of a header line named name is kept: nowhere (nullptr) for headers the
// exchange does not use and for repeats, except a Content-Length repeat, which goes to
// later_length until it can be compared with the first.
std::string* KeptValue(ResponseHead& head, std::string_view name, std::string& later_length) {
  const auto first = [](std::optional<std::string>& kept) {
    return kept ? nullptr : &kept.emplace();
  };
  if (EqualsIgnoringCase(name, "Location")) return first(head.location);
  if (EqualsIgnoringCase(name, "Transfer-Encoding")) return first(head.transfer_encoding);
  if (!EqualsIgnoringCase(name, "Content-Length")) return nullptr;
  if (!head.content_length) return &head.content_length.emplace();
  if (head.differing_length) return nullptr;
  later_length.clear();
  return &later_length;
}

// Header lines up to the empty line. A line that starts with a blank or tab continues the one
// above it.
void ReadHeaders(ResponseStream& stream, LineBudget& budget, ResponseHead& head) {
  std::string later_length;
  std::string* continued = nullptr;
  for (;;) {
    const std::string_view line = stream.ReadLine(budget);
    if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
      if (continued == nullptr) continue;
      if (!continued->empty() && continued->back() != ' ' && continued->back() != '\t') {
        *continued += ' ';
      }
      *continued += WithoutLeadingBlanks(line);
      continue;
    }
    if (continued == &later_length &&
        ContentLength(later_length) != ContentLength(*head.content_length)) {
      head.differing_length = std::move(later_length);
    }
    if (line.empty()) return;
    const auto colon = line.find(':');
    continued = KeptValue(head, line.substr(0, colon), later_length);
    if (continued != nullptr && colon != std::string_view::npos) {
      *continued = WithoutLeadingBlanks(line.substr(colon + 1));
    }
  }
}

ResponseHead ReadHead(ResponseStream& stream) {
  LineBudget budget{kMaxHeaderBytes, "Response header exceeds 1 MiB"};
  ResponseHead head;
  const std::string_view status_line = stream.ReadLine(budget);
  const auto blank = status_line.find(' ');
  if (blank != std::string_view::npos) head.status_text = status_line.substr(blank + 1);
  const std::string_view code_token =
      std::string_view(head.status_text).substr(0, head.status_text.find(' '));
  const auto code = ParseDecimal<std::int32_t>(code_token);
  if (!code) RaiseNotAnInteger(code_token);
  head.code = *code;
  ReadHeaders(stream, budget, head);
  return head;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The line's leading hexadecimal digits, so that a chunk extension after the size does not
// end the body; saturates instead of overflowing. A line that does not start with one fails
// with its size token, the text before the first blank, tab or ";".
std::uint64_t ChunkSize(std::string_view line) {
  if (line.empty() || HexDigitValue(line.front()) < 0) {
    RaiseNotAnInteger(line.substr(0, line.find_first_of(" \t;")));
  }
  std::uint64_t size = 0;
  for (const char c : line) {
    const int digit = HexDigitValue(c);
    if (digit < 0) break;
    size = size > (UINT64_MAX >> 4) ? UINT64_MAX : size * 16 + static_cast<unsigned>(digit);
  }
  return size;
}

std::string_view ReadChunkLine(ResponseStream& stream) {
  LineBudget budget{kMaxChunkLineBytes, "Response chunk line exceeds 64 KiB"};
  return stream.ReadLine(budget);
}

void ReadChunks(ResponseStream& stream, std::string& body) {
  for (;;) {
    const std::uint64_t size = ChunkSize(ReadChunkLine(stream));
    if (size == 0) break;
    if (size > kMaxResponseBytes - body.size()) RaiseBodyTooLarge();
    stream.ReadExactly(static_cast<std::size_t>(size), body);
    (void)ReadChunkLine(stream);
  }
  (void)ReadChunkLine(stream);
}

// The length that frames the body, 0 for none; two Content-Lengths of different meaning
// leave the body's end unknown and fail, with both values as HTTP would join them.
std::uint64_t FramingLength(const ResponseHead& head) {
  if (head.differing_length) {
    RaiseNotAnInteger(*head.content_length + ", " + *head.differing_length);
  }
  return head.content_length ? ContentLength(*head.content_length) : 0;
}

// HTTP gives these statuses no body, whatever the headers say; a server may keep the
// connection open after them.
bool EndsWithHeaderSection(std::int32_t code) {
  return (code >= 100 && code <= 199) || code == 204 || code == 304;
}

Page ReadBody(ResponseStream& stream, const ResponseHead& head) {
  if (EndsWithHeaderSection(head.code)) return {};
  if (head.transfer_encoding && ContainsIgnoringCase(*head.transfer_encoding, "chunked")) {
    std::string body;
    ReadChunks(stream, body);
    return body;
  }
  if (const std::uint64_t length = FramingLength(head)) {
    if (length > kMaxResponseBytes) RaiseBodyTooLarge();
    return stream.TakePage(static_cast<std::size_t>(length));
  }
  return stream.TakePageUntilClose(kMaxResponseBytes);
}

}  // namespace

Page ReadResponse(ByteSource& source) {
  ResponseStream stream(source);
  const ResponseHead head = ReadHead(stream);
  Page body = ReadBody(stream, head);

  const int code = head.code;
  const bool redirect =
      (head.location && !head.location->empty()) || (code >= 300 && code <= 399 && code != 304);
  if (redirect || code < 200 || code > 299) throw EIdProtocolReplyError(code, head.status_text);
  return body;
}

}  // namespace trelka
