// The windows-1251 code page, by one table of the characters of bytes 80-FF, the same on every
// platform (the tests hold it against ICU). The conversion keeps its text in windows-1251
// until an element is composed; each element becomes UTF-8 as it is appended, through the
// table. The programs convert the few texts they show at their own one point.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace trelka {

// The UTF-8 form of one windows-1251 byte: one to three bytes, the unused rest zero. Four
// bytes in all, so that writers may copy a whole entry and then count length of it.
struct Utf8Character {
  std::array<char, 3> bytes;
  std::uint8_t length;
};
static_assert(sizeof(Utf8Character) == 4);

// The UTF-8 form of every byte 00-FF. Every byte maps to one character; 98, which the code
// page leaves unassigned, maps to U+0098.
[[nodiscard]] const std::array<Utf8Character, 256>& Cp1251Utf8Table();

// The most UTF-8 bytes one windows-1251 byte becomes.
inline constexpr std::size_t kMaxUtf8PerCp1251 = 3;

// The few texts the programs show (failure messages), whole.
[[nodiscard]] std::string Cp1251ToUtf8(std::string_view text);

// bytes as well-formed UTF-8: every ill-formed sequence becomes U+FFFD. For texts that come
// from outside as UTF-8, such as file names.
[[nodiscard]] std::string ValidUtf8(std::string_view bytes);

// Characters the code page lacks become "?", and so does each maximal ill-formed part of the
// UTF-8. Used for the literal Russian texts the program searches for and writes, which are
// kept in UTF-8 in the source.
[[nodiscard]] std::string Utf8ToCp1251(std::string_view text);

}  // namespace trelka
