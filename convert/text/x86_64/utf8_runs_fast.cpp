// On x86-64, sixteen bytes at a time where the processor has SSSE3's byte shuffle (nearly every
// one made since 2006; SSE2 alone cannot move bytes by a table). Russian text is ASCII and the
// letters C0-FF (А-я), each of which is two bytes in UTF-8: D0 or D1, then a trail byte. So a
// block of those becomes every byte's two bytes side by side, out of which one shuffle, looked
// up by which bytes are ASCII, drops the ASCII bytes' leads. The shuffle also looks up by each
// byte's nibbles what it is: its lead and trail, and whether it is one of the caller's stops.
// Of a block with a stop, the bytes before it are converted and the rest written over by what
// comes next. A block with a byte of 80-BF goes through the table.
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

// A block's bytes and their high nibbles, which both the stops and the letters are told by.
struct Nibbled {
  __m128i bytes;
  __m128i high;  // each byte's high four bits, as a byte of 0 to 15
};

__attribute__((target("ssse3"))) Nibbled LoadNibbled(const char* in) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  return {bytes, _mm_and_si128(_mm_srli_epi16(bytes, 4), _mm_set1_epi8(0x0F))};
}

// By high nibble: the lead byte of a letter (C0-EF lead with D0, F0-FF with D1), and what its
// trail is less than the letter (А-п are 90-BF, р-я 80-8F); ASCII (0-7) stays as it is.
constexpr std::array<char, kBlock> kLeads = {0, 0, 0, 0, 0,      0,      0,      0,
                                             0, 0, 0, 0, '\xD0', '\xD0', '\xD0', '\xD1'};
constexpr std::array<char, kBlock> kTrailOffsets = {0, 0, 0, 0, 0,    0,    0,    0,
                                                    0, 0, 0, 0, 0x30, 0x30, 0x30, 0x70};

__attribute__((target("ssse3"))) __m128i Table(const std::array<char, kBlock>& table) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(table.data()));
}

// Converts a block that is ASCII and C0-FF at least in its first count bytes, and returns the
// end of their UTF-8. What the bytes after them become is written after it too, within 32
// bytes of out, and left for the next write to cover.
__attribute__((target("ssse3"))) char* ConvertLetters(const Nibbled& block, unsigned count,
                                                      char* out) {
  const unsigned prefix = count == kBlock ? 0xFFFF : (1U << count) - 1;
  const auto high = static_cast<unsigned>(_mm_movemask_epi8(block.bytes));
  if ((high & prefix) == 0) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block.bytes);
    return out + count;
  }
  const __m128i lead = _mm_shuffle_epi8(Table(kLeads), block.high);
  const __m128i trail =
      _mm_sub_epi8(block.bytes, _mm_shuffle_epi8(Table(kTrailOffsets), block.high));
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

// What a block holds that its conversion has to treat apart, a bit for each byte.
struct Apart {
  unsigned stops;
  unsigned not_letters;  // bytes of 80-BF
};

__attribute__((target("ssse3"))) Apart ApartIn(const Nibbled& block, __m128i low_classes,
                                               __m128i high_classes) {
  const __m128i classes =
      _mm_and_si128(_mm_shuffle_epi8(low_classes, _mm_and_si128(block.bytes, _mm_set1_epi8(0x0F))),
                    _mm_shuffle_epi8(high_classes, block.high));
  const __m128i stops = _mm_xor_si128(_mm_cmpeq_epi8(classes, _mm_setzero_si128()),
                                      _mm_set1_epi8(static_cast<char>(0xFF)));
  // Compared as signed bytes: ASCII is 0 to 127, 80-BF is -128 to -65, C0-FF -64 to -1.
  const __m128i not_letters = _mm_cmplt_epi8(block.bytes, _mm_set1_epi8(-64));
  return {static_cast<unsigned>(_mm_movemask_epi8(stops)),
          static_cast<unsigned>(_mm_movemask_epi8(not_letters))};
}

__attribute__((target("ssse3"))) Utf8Run Ssse3UntilStop(const char* in, const char* const end,
                                                        const ByteStops& stops, char* out) {
  const __m128i low_classes =
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(stops.LowClasses().data()));
  const __m128i high_classes =
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(stops.HighClasses().data()));
  for (;;) {
    Nibbled block{};
    Apart apart{0, 0};
    // The common blocks, ASCII and letters without a stop, in a loop of their own.
    for (; end - in >= static_cast<std::ptrdiff_t>(kBlock); in += kBlock) {
      block = LoadNibbled(in);
      apart = ApartIn(block, low_classes, high_classes);
      if ((apart.stops | apart.not_letters) != 0) break;
      out = ConvertLetters(block, kBlock, out);
    }
    if (end - in < static_cast<std::ptrdiff_t>(kBlock)) {
      return Cp1251ToUtf8UntilStopByTable(in, end, stops, out);
    }
    // A block with a stop or a byte of 80-BF: the bytes before the stop, or all sixteen.
    const unsigned count =
        apart.stops == 0 ? kBlock : static_cast<unsigned>(std::countr_zero(apart.stops));
    const unsigned prefix = count == kBlock ? 0xFFFF : (1U << count) - 1;
    if ((apart.not_letters & prefix) == 0) {
      out = ConvertLetters(block, count, out);
    } else {
      out = Cp1251ToUtf8UntilStopByTable(in, in + count, stops, out).out;
    }
    if (apart.stops != 0) return {in + count, out};
    in += kBlock;
  }
}

bool HasSsse3() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") != 0;
}

// Asked once, at start-up rather than on first use, so that a call tests no guard for it.
const bool kSsse3 = HasSsse3();

}  // namespace

Utf8Run Cp1251ToUtf8UntilStop(const char* in, const char* end, const ByteStops& stops, char* out) {
  return kSsse3 ? Ssse3UntilStop(in, end, stops, out)
                : Cp1251ToUtf8UntilStopByTable(in, end, stops, out);
}

}  // namespace trelka
