#include "text/utf8_runs.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "text/codepage.h"
#include "text/word_scan.h"

namespace trelka {

namespace {

// Converts [in, end), which holds no stop.
char* RunByTable(const char* in, const char* const end, char* out) {
  using word_scan::Word;
  const auto& table = Cp1251Utf8Table();
  // Other bytes each through the table: one load and one fixed-size store, no test per byte.
  const auto convert = [&table](const char* from, const char* to, char* into) {
    for (; from < to; ++from) {
      // One load of the entry, its length taken from the loaded word.
      std::uint32_t entry;
      std::memcpy(&entry, &table[static_cast<unsigned char>(*from)], sizeof entry);
      std::memcpy(into, &entry, sizeof entry);
      into += std::endian::native == std::endian::little ? entry >> 24 : entry & 0xFF;
    }
    return into;
  };
  for (; end - in >= static_cast<std::ptrdiff_t>(sizeof(Word)); in += sizeof(Word)) {
    const Word w = word_scan::Load(in);
    if ((w & word_scan::kHighBits) == 0) {
      std::memcpy(out, &w, sizeof w);
      out += sizeof w;
    } else {
      out = convert(in, in + sizeof(Word), out);
    }
  }
  return convert(in, end, out);
}

}  // namespace

Utf8Run Cp1251ToUtf8UntilStopByTable(const char* in, const char* end, const ByteStops& stops,
                                     char* out) {
  const char* const stop =
      in + NextStop(std::string_view(in, static_cast<std::size_t>(end - in)), 0, stops);
  return {stop, RunByTable(in, stop, out)};
}

}  // namespace trelka
