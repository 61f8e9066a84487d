// Reading one HTTP/1.0 response from a stream of bytes: status line, header lines, body, and
// the decision whether the exchange succeeded. Works on any ByteSource, so that it can be
// tested and fuzzed without a network.
#pragma once

#include <cstddef>
#include <string>

namespace trelka {

// No response larger than this is kept in memory: a broken or hostile server could otherwise
// exhaust it. Applies to the body and to any single status or header line.
inline constexpr std::size_t kMaxResponseBytes = std::size_t{64} << 20;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Receives up to capacity bytes into buffer, waiting as long as the source allows; 0 means
  // the peer has closed the connection. Raises a Failure when receiving fails.
  virtual std::size_t Receive(char* buffer, std::size_t capacity) = 0;
};

// Reads a whole response and returns its body when the status is 2xx and no Location header
// is given. A redirect or another status raises EIdProtocolReplyError after the body has been
// read; a non-integer status raises EConvertError; a close before the response is whole
// raises EIdConnClosedGracefully; more than kMaxResponseBytes raises EResponseTooLarge.
[[nodiscard]] std::string ReadResponse(ByteSource& source);

}  // namespace trelka
