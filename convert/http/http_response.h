// Reading one HTTP/1.0 response from a stream of bytes: status line, header lines, body, and
// the decision whether the exchange succeeded. Works on any ByteSource, so that it can be
// tested and fuzzed without a network.
#pragma once

#include <cstddef>

#include "http/page.h"

namespace trelka {

// No body larger than this is kept in memory: a broken or hostile server could otherwise
// exhaust it.
inline constexpr std::size_t kMaxResponseBytes = std::size_t{64} << 20;

// The status line and the header lines together, line ends included, up to and including the
// empty line that ends them.
inline constexpr std::size_t kMaxHeaderBytes = std::size_t{1} << 20;

// Any one chunk-size line, or line after chunk data, of a chunked body, its line end included.
inline constexpr std::size_t kMaxChunkLineBytes = std::size_t{64} << 10;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Receives up to capacity bytes into buffer, waiting as long as the source allows; 0 means
  // the peer has closed the connection. Raises a Failure when receiving fails.
  virtual std::size_t Receive(char* buffer, std::size_t capacity) = 0;
};

// Reads a whole response and returns its body, in the buffer it was received into, when the status
// is 2xx and no Location header is given. A redirect or another status raises EIdProtocolReplyError
// after the body has been read; a non-integer status, a chunk size without a hex digit or two
// differing Content-Lengths raise EConvertError; a close before the response is whole, also in the
// middle of a line, raises EIdConnClosedGracefully; exceeding one of the limits above raises
// EResponseTooLarge. 1xx, 204 and 304 responses end with their header section.
[[nodiscard]] Page ReadResponse(ByteSource& source);

}  // namespace trelka
