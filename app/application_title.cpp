#include "application_title.h"

namespace trelka {

namespace {

// The two-byte UTF-8 forms of Cyrillic capitals: Ѐ-Џ (D0 80-8F) lower to ѐ-џ (D1 90-9F),
// А-П (D0 90-9F) to а-п (D0 B0-BF), Р-Я (D0 A0-AF) to р-я (D1 80-8F).
void LowerCyrillic(unsigned char& lead, unsigned char& trail) {
  if (lead != 0xD0) return;
  if (trail >= 0x80 && trail <= 0x8F) {
    lead = 0xD1;
    trail += 0x10;
  } else if (trail >= 0x90 && trail <= 0x9F) {
    trail += 0x20;
  } else if (trail >= 0xA0 && trail <= 0xAF) {
    lead = 0xD1;
    trail -= 0x20;
  }
}

}  // namespace

std::string ApplicationTitle(std::string_view program_path) {
  std::string_view name = program_path.substr(program_path.find_last_of("/\\") + 1);
  name = name.substr(0, name.find('.'));
  std::string title(name);
  // The first character stays as it is, whatever its length in bytes.
  std::size_t at = 1;
  while (at < title.size() && (static_cast<unsigned char>(title[at]) & 0xC0) == 0x80) ++at;
  for (; at < title.size(); ++at) {
    auto& byte = reinterpret_cast<unsigned char&>(title[at]);
    if (byte >= 'A' && byte <= 'Z') {
      byte = static_cast<unsigned char>(byte - 'A' + 'a');
    } else if (at + 1 < title.size()) {
      auto& next = reinterpret_cast<unsigned char&>(title[at + 1]);
      if ((byte & 0xE0) == 0xC0) {
        LowerCyrillic(byte, next);
        ++at;
      }
    }
  }
  return title;
}

}  // namespace trelka
