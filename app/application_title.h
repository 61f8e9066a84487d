// The application title that failure message boxes carry. The tool sets none of its own, so
// it is derived from the program's file name.
#pragma once

#include <string>
#include <string_view>

namespace trelka {

// The file name (UTF-8) without its folder ("/" or "\" ends one), cut before its first ".",
// every letter after the first in lower case: "bin/TRELKA.x" gives "Trelka". Latin and
// Cyrillic letters are lowered, which covers the names the programs are given. Empty when the
// name starts with ".".
[[nodiscard]] std::string ApplicationTitle(std::string_view program_path);

}  // namespace trelka
