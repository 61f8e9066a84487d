// The windows-1251 code page, converted by ICU. The conversion keeps its text in windows-1251
// and turns it into UTF-8 once, when the document is finished; the programs convert the few
// texts they show at their own one point.
#pragma once

#include <string>
#include <string_view>

namespace trelka {

// Every byte 00-FF maps to one character; 98, which the code page leaves unassigned, maps to
// U+0098.
[[nodiscard]] std::string Cp1251ToUtf8(std::string_view text);

// Characters the code page lacks become "?". Used for the literal Russian texts the program
// searches for and writes, which are kept in UTF-8 in the source.
[[nodiscard]] std::string Utf8ToCp1251(std::string_view text);

}  // namespace trelka
