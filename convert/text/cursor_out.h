// The output of a pass that copies its input in runs, with short pieces between them. A
// checked append per run costs a call into memcpy and a branch on the run's length that no
// predictor learns; here a run of up to kRunCopy bytes is one copy of a fixed size, a piece one
// copy of sixteen bytes, and the string is kept that much larger than what is written until
// Finish cuts it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace trelka {

// A piece of up to sixteen bytes, padded, so that it is written with one fixed-size copy.
struct Piece {
  std::array<char, 16> bytes{};
  std::size_t size = 0;

  constexpr Piece() = default;
  constexpr explicit Piece(std::string_view text) : size(text.size()) {
    for (std::size_t i = 0; i < text.size() && i < bytes.size(); ++i) bytes[i] = text[i];
  }
};

class CursorOut {
 public:
  static constexpr std::size_t kRunCopy = 64;

  // Appends to out, whose text stays, runs of source; expected is how much is likely to come.
  // Room for it all is reserved, but the string is made longer (and its bytes so written) only
  // a stretch ahead of what is written, so that a text that shrinks much, one of nothing but
  // entities, touches no more memory than it writes.
  CursorOut(std::string& out, std::string_view source, std::size_t expected)
      : out_(out), source_(source), written_(out.size()) {
    out_.reserve(written_ + expected + kRunCopy);
    Grow(0);
  }
  CursorOut(const CursorOut&) = delete;
  CursorOut& operator=(const CursorOut&) = delete;
  ~CursorOut() { Finish(); }

  // Appends source's bytes [from, to).
  void Run(std::size_t from, std::size_t to) {
    const std::size_t length = to - from;
    if (length == 0) return;  // also where source is empty, and its data may be null
    if (out_.size() - written_ < length + kRunCopy) Grow(length);
    char* const cursor = out_.data() + written_;
    if (length <= kRunCopy && source_.size() - from >= kRunCopy) {
      std::memcpy(cursor, source_.data() + from, kRunCopy);
    } else {
      std::memcpy(cursor, source_.data() + from, length);
    }
    written_ += length;
  }

  void Put(const Piece& piece) {
    if (out_.size() - written_ < kRunCopy) Grow(piece.size);
    std::memcpy(out_.data() + written_, piece.bytes.data(), piece.bytes.size());
    written_ += piece.size;
  }

  [[nodiscard]] std::size_t Written() const { return written_; }

  // Drops what was written after the first written bytes.
  void CutTo(std::size_t written) { written_ = std::min(written_, written); }

  // Cuts out to what was written; nothing may be appended after.
  void Finish() { out_.resize(written_); }

 private:
  static constexpr std::size_t kStretch = std::size_t{64} << 10;

  // Room for n more bytes and a stretch beyond; past the reserved room at least twice as much,
  // so that a text that outgrows its first guess is moved a few times only. Out of line, so
  // that the appends stay small enough to be inlined.
  void Grow(std::size_t n);

  std::string& out_;
  std::string_view source_;
  std::size_t written_;
};

}  // namespace trelka
