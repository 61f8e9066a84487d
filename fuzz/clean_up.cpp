// Arbitrary bytes through the clean-up passes, each held against its faithful version, and
// through the chain a description takes (tags, entities, ampersands). Which way the entity
// table goes, in one copy or row by row, is its own affair: the result must be the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "faithful_clean_up.h"
#include "text/clean_up.h"

namespace {

// The faithful passes are quadratic; beyond this they would slow the fuzzer down too much.
constexpr std::size_t kFaithfulBytes = 4096;

void Expect(bool same) {
  if (!same) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kFaithfulBytes) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::string nbsp = text;
  trelka::faithful::TagToNbsp(nbsp);
  Expect(trelka::TagToNbsp(text) == nbsp);

  std::string stripped = text;
  trelka::faithful::TagStrip(stripped);
  Expect(trelka::TagStrip(text) == stripped);

  std::string table = text;
  trelka::faithful::EntityTable(table);
  Expect(trelka::EntityTable(text) == table);

  Expect(trelka::AmpersandEscape(text) == trelka::faithful::AmpersandEscape(text));

  Expect(trelka::EntityTableThenAmpersandEscape(text) == trelka::faithful::AmpersandEscape(table));

  trelka::faithful::EntityTable(stripped);
  Expect(trelka::EntityTableThenAmpersandEscape(trelka::TagStrip(text)) ==
         trelka::faithful::AmpersandEscape(stripped));
  return 0;
}
