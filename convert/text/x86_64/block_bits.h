// The high bit of each of a block's sixteen bytes, the first byte's the lowest: on x86-64 one
// instruction of SSE2, which every such processor has.
#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace trelka::word_scan {

template <typename Block>
[[nodiscard]] inline std::uint32_t HighBitsOf(Block block) {
  static_assert(sizeof(Block) == sizeof(__m128i));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(reinterpret_cast<__m128i>(block)));
}

}  // namespace trelka::word_scan
