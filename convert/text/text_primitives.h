// The four text operations that all cutting and searching is built on. Positions are
// 1-based, and out-of-range arguments are clamped instead of failing, because the page
// extraction applies them to the positions of markers that may be absent (position 0).
// Texts are windows-1251 byte strings: one byte is one character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trelka {

using TextPos = std::ptrdiff_t;

// Position of the first occurrence of sub in s; 0 when it does not occur or either is empty.
[[nodiscard]] TextPos Pos(std::string_view sub, std::string_view s);

// Up to count characters of s from index. index < 1 counts as 1; an index past the end or a
// negative count gives the empty text.
[[nodiscard]] std::string Copy(std::string_view s, TextPos index, TextPos count);

// Removes count characters of s from index. No effect when index < 1, index past the end, or
// count <= 0; a count past the end removes up to the end.
void Delete(std::string& s, TextPos index, TextPos count);

// Inserts source into s so that it starts at index. index < 1 counts as 1; an index past the
// end appends; an empty source changes nothing.
void Insert(std::string_view source, std::string& s, TextPos index);

// Whether a and b are equal when the ASCII letters are compared without regard to case; bytes
// above 127 are compared as they are.
[[nodiscard]] bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace trelka
