// The bytes a writer stops at to treat apart (line breaks, the XML guard's characters): every
// byte below a bound and a few others. A value, so that a pass that does something else with
// every byte (converting it) can find them in the same sixteen-byte look.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "text/word_scan.h"

namespace trelka {

struct ByteStops {
  unsigned char below;       // every byte below this one, 1 to 80
  std::array<char, 4> also;  // and these; fewer are given by repeating one
};

// Each byte of block that is a stop as all ones, every other as zero.
[[nodiscard]] inline word_scan::Block StopsIn(word_scan::Block block, const ByteStops& stops) {
  using word_scan::Passes;
  using word_scan::Splat;
  const auto is = [&](char c) { return Passes(block == Splat(static_cast<unsigned char>(c))); };
  return Passes(block < Splat(stops.below)) | is(stops.also[0]) | is(stops.also[1]) |
         is(stops.also[2]) | is(stops.also[3]);
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
    Word marks = word_scan::MarkBelow(w, stops.below);
    for (const char c : stops.also) marks |= word_scan::MarkEqual(w, static_cast<unsigned char>(c));
    if (marks != 0) return i + word_scan::FirstMarked(marks);
  }
  const auto is_stop = [&stops](char c) {
    return static_cast<unsigned char>(c) < stops.below || c == stops.also[0] ||
           c == stops.also[1] || c == stops.also[2] || c == stops.also[3];
  };
  while (i < text.size() && !is_stop(text[i])) ++i;
  return i;
}

}  // namespace trelka
