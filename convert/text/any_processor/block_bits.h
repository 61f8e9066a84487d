// The high bit of each of a block's sixteen bytes, the first byte's the lowest, on any
// processor: the high bits of each eight-byte half gathered by one multiplication (bit 8k+7
// goes to bit 56+k).
#pragma once

#include <bit>
#include <cstdint>

namespace trelka::word_scan {

template <typename Block>
[[nodiscard]] inline std::uint32_t HighBitsOf(Block block) {
  using Half = std::uint64_t;
  using Halves = Half __attribute__((vector_size(16)));
  static_assert(sizeof(Block) == sizeof(Halves));
  constexpr Half kGather = 0x0002040810204081;
  const auto gather = [](Half half) {
    if constexpr (std::endian::native == std::endian::big) half = __builtin_bswap64(half);
    return static_cast<std::uint32_t>(((half & 0x8080808080808080) * kGather) >> 56);
  };
  const auto halves = reinterpret_cast<Halves>(block);
  return gather(halves[0]) | gather(halves[1]) << 8;
}

}  // namespace trelka::word_scan
