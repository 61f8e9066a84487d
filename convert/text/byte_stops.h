// The bytes a writer stops at to treat apart (line breaks, the XML guard's characters): every
// byte below a bound and a few others. A value, so that a pass that does something else with
// every byte (converting it) can find them in the same sixteen-byte look.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <stdexcept>
#include <string_view>

#include "text/word_scan.h"

namespace trelka {

class ByteStops {
 public:
  // Every byte below `below` (1 to 80) and those of `also` (below 80 each; fewer are given by
  // repeating one).
  constexpr ByteStops(unsigned char below, std::array<char, 4> also) : below_(below), also_(also) {
    // The tables hold bytes up to 7F only.
    if (below > 0x80 || std::any_of(also.begin(), also.end(), [](char c) { return c < 0; })) {
      throw std::invalid_argument("ByteStops: a stop from 80 on");
    }
    for (unsigned byte = 0; byte < kNibbleTables * kNibbleTables / 2; ++byte) {
      if (IsStop(static_cast<char>(byte))) low_classes_[byte & 0xF] |= HighClass(byte >> 4);
    }
    for (unsigned high = 0; high < kNibbleTables / 2; ++high) high_classes_[high] = HighClass(high);
  }

  [[nodiscard]] constexpr bool IsStop(char c) const {
    return static_cast<unsigned char>(c) < below_ || c == also_[0] || c == also_[1] ||
           c == also_[2] || c == also_[3];
  }
  [[nodiscard]] constexpr unsigned char Below() const { return below_; }
  [[nodiscard]] constexpr const std::array<char, 4>& Also() const { return also_; }

  // The same set as two tables for a processor's byte shuffle: a byte b is a stop exactly
  // where LowClasses()[b & 0F] & HighClasses()[b >> 4] is not zero. No byte from 80 on is.
  static constexpr std::size_t kNibbleTables = 16;
  [[nodiscard]] constexpr const std::array<unsigned char, kNibbleTables>& LowClasses() const {
    return low_classes_;
  }
  [[nodiscard]] constexpr const std::array<unsigned char, kNibbleTables>& HighClasses() const {
    return high_classes_;
  }

 private:
  static constexpr unsigned char HighClass(unsigned high) {
    return static_cast<unsigned char>(1U << high);
  }

  unsigned char below_;
  std::array<char, 4> also_;
  std::array<unsigned char, kNibbleTables> low_classes_{};
  std::array<unsigned char, kNibbleTables> high_classes_{};
};

// Each byte of block that is a stop as all ones, every other as zero.
[[nodiscard]] inline word_scan::Block StopsIn(word_scan::Block block, const ByteStops& stops) {
  using word_scan::Passes;
  using word_scan::Splat;
  const auto is = [&](char c) { return Passes(block == Splat(static_cast<unsigned char>(c))); };
  return Passes(block < Splat(stops.Below())) | is(stops.Also()[0]) | is(stops.Also()[1]) |
         is(stops.Also()[2]) | is(stops.Also()[3]);
}

// The first stop in text from from on; text.size() if none.
[[nodiscard]] inline std::size_t NextStop(std::string_view text, std::size_t from,
                                          const ByteStops& stops) {
  using word_scan::Word;
  std::size_t i = from;
  for (; text.size() - i >= sizeof(word_scan::Block); i += sizeof(word_scan::Block)) {
    const std::size_t first =
        word_scan::FirstSet(StopsIn(word_scan::LoadBlock(text.data() + i), stops));
    if (first < sizeof(word_scan::Block)) return i + first;
  }
  for (; text.size() - i >= sizeof(Word); i += sizeof(Word)) {
    const Word w = word_scan::Load(text.data() + i);
    Word marks = word_scan::MarkBelow(w, stops.Below());
    for (const char c : stops.Also()) {
      marks |= word_scan::MarkEqual(w, static_cast<unsigned char>(c));
    }
    if (marks != 0) return i + word_scan::FirstMarked(marks);
  }
  while (i < text.size() && !stops.IsStop(text[i])) ++i;
  return i;
}

}  // namespace trelka
