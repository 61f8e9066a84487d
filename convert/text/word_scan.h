// Looking at eight or sixteen bytes at a time for the few bytes a pass must stop at. Taken
// alone, a byte b is below a bound n (up to 80) exactly where (b - n) & ~b has its high bit
// set; in a word, a borrow can mark bytes after the first such byte as well, but never one
// before it, so the lowest marked byte of a union of such tests is the first byte of the word
// that passes one. Blocks of sixteen compare exactly, each byte on its own.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "block_bits.h"  // the processor's own side, which CMake puts on the include path

namespace trelka::word_scan {

using Word = std::uint64_t;
inline constexpr Word kHighBits = 0x8080808080808080;

[[nodiscard]] constexpr Word Broadcast(unsigned char c) { return 0x0101010101010101 * c; }

// High bits set at (at least) the bytes below bound, exactly at the first of them.
[[nodiscard]] constexpr Word MarkBelow(Word w, unsigned char bound) {
  return (w - Broadcast(bound)) & ~w & kHighBits;
}

// High bits set at (at least) the bytes equal to c, exactly at the first of them.
[[nodiscard]] constexpr Word MarkEqual(Word w, unsigned char c) {
  return MarkBelow(w ^ Broadcast(c), 1);
}

[[nodiscard]] inline Word Load(const char* at) {
  Word w;
  std::memcpy(&w, at, sizeof w);
  return w;
}

// Where in its word the first marked byte stands, for marks != 0.
[[nodiscard]] inline std::size_t FirstMarked(Word marks) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
  } else {
    return static_cast<std::size_t>(std::countl_zero(marks)) / 8;
  }
}

// Sixteen bytes at a time, by the compiler's vector extension: SSE2 on x86-64, plain words where
// the target has no vectors. A comparison of blocks gives all ones in each byte that passes it;
// Passes makes that a block again, so that results combine with | and &.
using Block = unsigned char __attribute__((vector_size(16)));

[[nodiscard]] inline Block LoadBlock(const char* at) {
  Block block;
  std::memcpy(&block, at, sizeof block);
  return block;
}

[[nodiscard]] inline Block Splat(unsigned char c) { return Block{} + c; }

template <typename Comparison>
[[nodiscard]] inline Block Passes(Comparison comparison) {
  return reinterpret_cast<Block>(comparison);
}

// A bit for each byte of marks that is all ones, the first byte's the lowest.
[[nodiscard]] inline std::uint32_t BitsOf(Block marks) { return HighBitsOf(marks); }

// Where the first byte of marks that is all ones stands; sizeof(Block) if none.
[[nodiscard]] inline std::size_t FirstSet(Block marks) {
  return static_cast<std::size_t>(std::countr_zero(BitsOf(marks) | 1U << sizeof(Block)));
}

}  // namespace trelka::word_scan
