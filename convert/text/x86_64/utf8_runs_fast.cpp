// On x86-64, sixteen bytes at a time where the processor has SSSE3's byte shuffle (nearly every
// one made since 2006; SSE2 alone cannot move bytes by a table). Russian text is ASCII and the
// letters C0-FF (А-я), each of which is two bytes in UTF-8: D0 or D1, then a trail byte. So a
// block of those becomes every byte's two bytes side by side, out of which one shuffle, looked
// up by which bytes are ASCII, drops the ASCII bytes' leads. The same look finds the caller's
// stops: of a block with one, the bytes before it are converted so and the rest written over
// by what comes next. A block with a byte of 80-BF goes through the table.
#include <immintrin.h>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "text/utf8_runs.h"

namespace trelka {

namespace {

constexpr std::size_t kBlock = 16;
constexpr std::size_t kHalf = kBlock / 2;

// For each set of ASCII bytes among eight (a bit each, the first byte's the lowest), the
// shuffle that keeps, of the sixteen bytes that stand two for each of the eight (lead, trail),
// the trails and the leads of the bytes that are not ASCII, in order; and how many it keeps.
struct Compaction {
  std::array<std::array<std::uint8_t, kBlock>, 256> shuffles{};
  std::array<std::uint8_t, 256> lengths{};
};

constexpr Compaction kCompaction = [] {
  Compaction compaction;
  for (std::size_t ascii = 0; ascii < 256; ++ascii) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < kHalf; ++i) {
      if ((ascii >> i & 1) == 0) {
        compaction.shuffles[ascii][kept++] = static_cast<std::uint8_t>(2 * i);  // the lead
      }
      compaction.shuffles[ascii][kept++] = static_cast<std::uint8_t>(2 * i + 1);
    }
    compaction.lengths[ascii] = static_cast<std::uint8_t>(kept);
  }
  return compaction;
}();

__attribute__((target("ssse3"))) char* StoreHalf(__m128i pairs, unsigned ascii, char* out) {
  const __m128i shuffle =
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(kCompaction.shuffles[ascii].data()));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(pairs, shuffle));
  return out + kCompaction.lengths[ascii];
}

// Converts a block that is ASCII and C0-FF at least in its first count bytes, and returns the
// end of their UTF-8. What the bytes after them become is written after it too, within 32
// bytes of out, and left for the next write to cover.
__attribute__((target("ssse3"))) char* ConvertLetters(__m128i bytes, unsigned count, char* out) {
  const unsigned prefix = count == kBlock ? 0xFFFF : (1U << count) - 1;
  const auto high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
  if ((high & prefix) == 0) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    return out + count;
  }
  const __m128i letters = _mm_cmplt_epi8(bytes, _mm_setzero_si128());
  // F0-FF (р-я) lead with D1, the others with D0.
  const __m128i second = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(-17)), letters);
  const __m128i lead = _mm_sub_epi8(_mm_set1_epi8(static_cast<char>(0xD0)), second);
  // А-п (C0-EF) are 90-BF after D0, р-я (F0-FF) 80-8F after D1; ASCII stays.
  const __m128i trail =
      _mm_sub_epi8(_mm_sub_epi8(bytes, _mm_and_si128(letters, _mm_set1_epi8(0x30))),
                   _mm_and_si128(second, _mm_set1_epi8(0x40)));
  const unsigned ascii = ~high & 0xFFFF;
  // The first count bytes' UTF-8 is as long as all sixteen bytes' would be were the rest ASCII
  // and absent: one byte each, two for each letter (no popcount: SSSE3 does not bring it).
  const unsigned ascii_or_after = ascii | ~prefix;
  char* const end = out + kCompaction.lengths[ascii_or_after & 0xFF] +
                    kCompaction.lengths[(ascii_or_after >> kHalf) & 0xFF] - (kBlock - count);
  out = StoreHalf(_mm_unpacklo_epi8(lead, trail), ascii & 0xFF, out);
  StoreHalf(_mm_unpackhi_epi8(lead, trail), ascii >> kHalf, out);
  return end;
}

// Each byte that is a stop as all ones.
struct Ssse3Stops {
  __m128i below_max, also0, also1, also2, also3;

  __attribute__((target("ssse3"))) explicit Ssse3Stops(const ByteStops& stops)
      : below_max(_mm_set1_epi8(static_cast<char>(stops.below - 1))),
        also0(_mm_set1_epi8(stops.also[0])),
        also1(_mm_set1_epi8(stops.also[1])),
        also2(_mm_set1_epi8(stops.also[2])),
        also3(_mm_set1_epi8(stops.also[3])) {}

  __attribute__((target("ssse3"))) [[nodiscard]] unsigned In(__m128i bytes) const {
    const __m128i below = _mm_cmpeq_epi8(_mm_min_epu8(bytes, below_max), bytes);
    const __m128i also =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, also0), _mm_cmpeq_epi8(bytes, also1)),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, also2), _mm_cmpeq_epi8(bytes, also3)));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(below, also)));
  }
};

__attribute__((target("ssse3"))) Utf8Run Ssse3UntilStop(const char* in, const char* const end,
                                                        const ByteStops& stops, char* out) {
  constexpr unsigned kWhole = 0xFFFF;
  const Ssse3Stops stop_bytes(stops);
  for (;;) {
    unsigned stop = 0;
    unsigned letters_or_ascii = kWhole;
    // The common blocks, ASCII and letters without a stop, in a loop of their own.
    for (; end - in >= static_cast<std::ptrdiff_t>(kBlock); in += kBlock) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
      stop = stop_bytes.In(bytes);
      // Compared as signed bytes: ASCII is 0 to 127, 80-BF is -128 to -65, C0-FF -64 to -1.
      letters_or_ascii =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(-65))));
      if (stop != 0 || letters_or_ascii != kWhole) break;
      out = ConvertLetters(bytes, kBlock, out);
    }
    if (end - in < static_cast<std::ptrdiff_t>(kBlock)) {
      return Cp1251ToUtf8UntilStopByTable(in, end, stops, out);
    }
    // A block with a stop or a byte of 80-BF: the bytes before the stop, or all sixteen.
    const unsigned count = stop == 0 ? kBlock : static_cast<unsigned>(std::countr_zero(stop));
    const unsigned prefix = count == kBlock ? kWhole : (1U << count) - 1;
    if ((letters_or_ascii & prefix) == prefix) {
      out = ConvertLetters(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), count, out);
    } else {
      out = Cp1251ToUtf8UntilStopByTable(in, in + count, stops, out).out;
    }
    if (stop != 0) return {in + count, out};
    in += kBlock;
  }
}

bool HasSsse3() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") != 0;
}

}  // namespace

Utf8Run Cp1251ToUtf8UntilStop(const char* in, const char* end, const ByteStops& stops, char* out) {
  static const bool kSsse3 = HasSsse3();
  return kSsse3 ? Ssse3UntilStop(in, end, stops, out)
                : Cp1251ToUtf8UntilStopByTable(in, end, stops, out);
}

}  // namespace trelka
