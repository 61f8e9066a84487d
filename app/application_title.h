// The application title that failure message boxes carry. The tool sets none of its own, so
// it is derived from the program's file name.
#pragma once

#include <QString>

namespace trelka {

// The file name without its folder, cut before its first ".", every character after the first
// in lower case: "bin/TRELKA.x" gives "Trelka". Empty when the name starts with ".".
[[nodiscard]] QString ApplicationTitle(const QString& program_path);

}  // namespace trelka
