// Text at the Windows API: UTF-8 inside Trelka, UTF-16 in the calls, converted here only.
#pragma once

#include <string>
#include <string_view>

namespace trelka {

// Ill-formed UTF-8 becomes U+FFFD, as the system's own conversion has it.
[[nodiscard]] std::wstring Utf16Of(std::string_view utf8);
[[nodiscard]] std::string Utf8Of(std::wstring_view utf16);

// The path as the wide-character file calls take it: UTF-16, and prefixed with \\?\ when it
// is absolute and longer than the old limit of 260 characters.
[[nodiscard]] std::wstring WidePath(const std::string& utf8_path);

// Starts Windows Sockets once per process, before the first socket or lookup.
void StartWinsock();

}  // namespace trelka
