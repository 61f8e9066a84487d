// On x86-64, sixteen bytes at a time where the processor has SSSE3's byte shuffle (nearly every
// one made since 2006; SSE2 alone cannot move bytes by a table). Russian text is ASCII and the
// letters C0-FF (А-я), each of which is two bytes in UTF-8: D0 or D1, then a trail byte. So a
// block of those becomes every byte's two bytes side by side, out of which one shuffle, looked
// up by which bytes are ASCII, drops the ASCII bytes' leads. Any other block goes through the
// table.
#include <immintrin.h>

#include <array>
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

// Converts kBytes (sixteen, or eight at a run's end) from in.
template <std::size_t kBytes>
__attribute__((target("ssse3"))) char* ConvertBlock(const char* in, char* out) {
  static_assert(kBytes == kBlock || kBytes == kHalf);
  constexpr unsigned kAll = (1U << kBytes) - 1;
  const __m128i bytes = kBytes == kBlock ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(in))
                                         : _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
  const auto high = static_cast<unsigned>(_mm_movemask_epi8(bytes)) & kAll;
  if (high == 0) {
    if constexpr (kBytes == kBlock) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    } else {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
    }
    return out + kBytes;
  }
  // Compared as signed bytes: ASCII is 0 to 127, 80-BF is -128 to -65, C0-FF -64 to -1.
  const auto letters_or_ascii =
      static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(-65))));
  if ((letters_or_ascii & kAll) != kAll) {
    return Cp1251RunToUtf8ByTable(in, in + kBytes, out);  // a byte of 80-BF
  }
  const __m128i letters = _mm_cmplt_epi8(bytes, _mm_setzero_si128());
  // F0-FF (р-я) lead with D1, the others with D0.
  const __m128i second = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(-17)), letters);
  const __m128i lead = _mm_sub_epi8(_mm_set1_epi8(static_cast<char>(0xD0)), second);
  // А-п (C0-EF) are 90-BF after D0, р-я (F0-FF) 80-8F after D1; ASCII stays.
  const __m128i trail =
      _mm_sub_epi8(_mm_sub_epi8(bytes, _mm_and_si128(letters, _mm_set1_epi8(0x30))),
                   _mm_and_si128(second, _mm_set1_epi8(0x40)));
  const unsigned ascii = ~high & kAll;
  out = StoreHalf(_mm_unpacklo_epi8(lead, trail), ascii & 0xFF, out);
  if constexpr (kBytes == kBlock) {
    out = StoreHalf(_mm_unpackhi_epi8(lead, trail), ascii >> kHalf, out);
  }
  return out;
}

__attribute__((target("ssse3"))) char* Ssse3Run(const char* in, const char* const end, char* out) {
  for (; end - in >= static_cast<std::ptrdiff_t>(kBlock); in += kBlock) {
    out = ConvertBlock<kBlock>(in, out);
  }
  if (end - in >= static_cast<std::ptrdiff_t>(kHalf)) {
    out = ConvertBlock<kHalf>(in, out);
    in += kHalf;
  }
  return Cp1251RunToUtf8ByTable(in, end, out);
}

bool HasSsse3() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") != 0;
}

}  // namespace

char* Cp1251RunToUtf8(const char* in, const char* end, char* out) {
  static const bool kSsse3 = HasSsse3();
  return kSsse3 ? Ssse3Run(in, end, out) : Cp1251RunToUtf8ByTable(in, end, out);
}

}  // namespace trelka
