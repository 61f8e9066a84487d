// The successive positions of a few byte values in a text, found sixteen bytes at a time. A
// pass that stops every few dozen bytes pays memchr's call and set-up at every stop; this
// keeps the current sixteen bytes' hits at hand as a bit each and pays a bit count per stop.
// Written with the compiler's vector extension, which becomes SSE2 on x86-64 and plain
// integer arithmetic where the target has no vectors.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace trelka {

template <std::size_t kCount>
class BytePositions {
 public:
  BytePositions(std::string_view text, const std::array<char, kCount>& bytes)
      : text_(text), block_(0) {
    for (std::size_t i = 0; i < kCount; ++i) wanted_[i] = Block{} + static_cast<Byte>(bytes[i]);
    if (text.size() >= kBlockBytes) {
      marks_ = Marks(Hits(Load(0)));
    } else {
      marks_ = LastMarks();
    }
  }

  // The next position holding one of the bytes, in increasing order; npos once there is none.
  std::size_t Next() {
    if (marks_ == 0 && !Advance()) return std::string_view::npos;
    const auto at = block_ + static_cast<std::size_t>(std::countr_zero(marks_));
    marks_ &= marks_ - 1;
    return at;
  }

  // Leaves out the positions before at, which is not before the last one returned.
  void SkipTo(std::size_t at) {
    if (at - block_ < kBlockBytes) {
      marks_ &= ~0U << (at - block_);
      return;
    }
    block_ = std::min(at, text_.size());
    marks_ = text_.size() - block_ >= kBlockBytes ? Marks(Hits(Load(block_))) : LastMarks();
  }

 private:
  using Byte = unsigned char;
  using Block = Byte __attribute__((vector_size(16)));
  using Halves = std::uint64_t __attribute__((vector_size(16)));
  static constexpr std::size_t kBlockBytes = sizeof(Block);

  Block Load(std::size_t at) const {
    Block block;
    std::memcpy(&block, text_.data() + at, sizeof block);
    return block;
  }

  // Each byte of block that is wanted as all ones, every other as zero.
  Block Hits(Block block) const {
    Block hits{};
    for (const Block& wanted : wanted_) hits |= reinterpret_cast<Block>(block == wanted);
    return hits;
  }

  // The high bit of each byte of half, gathered into eight bits, the first byte's lowest.
  static std::uint32_t Gather(std::uint64_t half) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080;
    constexpr std::uint64_t kGather = 0x0002040810204081;  // bit 8k+7 goes to bit 56+k
    if constexpr (std::endian::native == std::endian::big) half = __builtin_bswap64(half);
    return static_cast<std::uint32_t>(((half & kHighBits) * kGather) >> 56);
  }

  static std::uint32_t Marks(Block hits) {
    const auto halves = reinterpret_cast<Halves>(hits);
    return Gather(halves[0]) | Gather(halves[1]) << 8;
  }

  // The marks of the bytes from block_ to the text's end, fewer than sixteen.
  std::uint32_t LastMarks() const {
    const std::size_t length = text_.size() - block_;
    if (length == 0) return 0;
    Block block{};
    std::memcpy(&block, text_.data() + block_, length);
    // The bytes past the end are zero, and zero may be wanted.
    return Marks(Hits(block)) & ((1U << length) - 1);
  }

  // Moves block_ on to the next sixteen bytes that hold a hit; false at the text's end.
  bool Advance() {
    if (text_.size() - block_ <= kBlockBytes) return false;
    std::size_t at = block_ + kBlockBytes;
    for (; text_.size() - at >= kBlockBytes; at += kBlockBytes) {
      const Block hits = Hits(Load(at));
      const auto halves = reinterpret_cast<Halves>(hits);
      if ((halves[0] | halves[1]) != 0) {
        block_ = at;
        marks_ = Marks(hits);
        return true;
      }
    }
    block_ = at;
    marks_ = LastMarks();
    return marks_ != 0;
  }

  std::string_view text_;
  std::array<Block, kCount> wanted_;
  std::size_t block_;        // where the sixteen bytes that marks_ stands for start
  std::uint32_t marks_ = 0;  // a bit for each of them that holds a wanted byte
};

}  // namespace trelka
