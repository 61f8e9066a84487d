// The successive positions of a few byte values in a text, found sixty-four bytes at a time. A
// pass that stops every few dozen bytes pays memchr's call and set-up at every stop; this
// keeps the current window's hits at hand as a bit each and pays a bit count per stop.
// Sixteen bytes are compared at once with word_scan's blocks.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "text/word_scan.h"

namespace trelka {

template <std::size_t kCount>
class BytePositions {
 public:
  BytePositions(std::string_view text, const std::array<char, kCount>& bytes) : text_(text) {
    for (std::size_t i = 0; i < kCount; ++i) {
      wanted_[i] = word_scan::Splat(static_cast<unsigned char>(bytes[i]));
    }
    marks_ = MarksAt(0);
  }

  // The next position holding one of the bytes, in increasing order; npos once there is none.
  std::size_t Next() {
    while (marks_ == 0) {
      if (text_.size() - window_ <= kWindowBytes) return std::string_view::npos;
      window_ += kWindowBytes;
      marks_ = MarksAt(window_);
    }
    const auto at = window_ + static_cast<std::size_t>(std::countr_zero(marks_));
    marks_ &= marks_ - 1;
    return at;
  }

 private:
  using Block = word_scan::Block;
  static constexpr std::size_t kBlockBytes = sizeof(Block);
  // Sixty-four bytes at a time, a bit each: with a stop every few dozen bytes, a window nearly
  // always holds the next one, so that finding it takes no branch a predictor could miss.
  static constexpr std::size_t kWindowBytes = 64;
  static_assert(kWindowBytes == 4 * kBlockBytes);

  // Each byte of block that is one of the wanted ones as all ones, every other as zero; the
  // comparisons written out, so that the wanted bytes stay in registers.
  template <std::size_t... kIndex>
  Block Hits(Block block, std::index_sequence<kIndex...> /*wanted*/) const {
    return (word_scan::Passes(block == wanted_[kIndex]) | ...);
  }

  // A bit for each of the sixteen bytes from bytes that is one of the wanted ones.
  std::uint64_t BlockMarks(const char* bytes) const {
    return word_scan::BitsOf(Hits(word_scan::LoadBlock(bytes), std::make_index_sequence<kCount>()));
  }

  // A bit for each of the sixty-four bytes from bytes that is one of the wanted ones.
  std::uint64_t Marks(const char* bytes) const {
    return BlockMarks(bytes) | BlockMarks(bytes + kBlockBytes) << kBlockBytes |
           BlockMarks(bytes + 2 * kBlockBytes) << (2 * kBlockBytes) |
           BlockMarks(bytes + 3 * kBlockBytes) << (3 * kBlockBytes);
  }

  // The marks of the window from at; past the text's end none.
  std::uint64_t MarksAt(std::size_t at) const {
    const std::size_t length = text_.size() - at;
    if (length >= kWindowBytes) return Marks(text_.data() + at);
    if (length == 0) return 0;
    // The bytes past the end are zero, and zero may be wanted.
    std::array<char, kWindowBytes> last{};
    std::memcpy(last.data(), text_.data() + at, length);
    return Marks(last.data()) & ((std::uint64_t{1} << length) - 1);
  }

  std::string_view text_;
  std::array<Block, kCount> wanted_;
  std::size_t window_ = 0;   // where the sixty-four bytes that marks_ stands for start
  std::uint64_t marks_ = 0;  // a bit for each of them that holds a wanted byte
};

}  // namespace trelka
