// The C library's fastest search for a run of bytes, where it has one.
#pragma once

#include <string_view>

namespace trelka {

// Where marker first occurs in text, or npos. glibc's memmem on POSIX (a two-way search with
// vector instructions); Horspool's search where the C library has no memmem.
[[nodiscard]] std::size_t FindBytes(std::string_view text, std::string_view marker);

}  // namespace trelka
