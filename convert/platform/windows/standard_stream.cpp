#include "platform/standard_stream.h"

#include "platform/windows/system_headers.h"
#include "platform/windows/wide_text.h"

namespace trelka {

namespace {

HANDLE HandleOf(StandardStream::Which which) {
  return ::GetStdHandle(which == StandardStream::Which::kOutput ? STD_OUTPUT_HANDLE
                                                                : STD_ERROR_HANDLE);
}

// A console window, and one that now takes ANSI escapes (Windows 10 and later).
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return ::GetConsoleMode(handle, &mode) != 0;
}

bool TakesEscapes(HANDLE handle) {
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode) == 0) return false;
  return ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace

StandardStream::StandardStream(Which which)
    : which_(which), terminal_(TakesEscapes(HandleOf(which))) {}

void StandardStream::Flush() {
  if (held_.empty()) return;
  const HANDLE handle = HandleOf(which_);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    held_.clear();
    return;
  }
  if (IsConsole(handle)) {
    // A console shows UTF-16 as it is, whatever its code page.
    const std::wstring text = Utf16Of(held_);
    DWORD written = 0;
    (void)::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  } else {
    std::string_view rest = held_;
    while (!rest.empty()) {
      DWORD written = 0;
      if (::WriteFile(handle, rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr) ==
              0 ||
          written == 0) {
        break;
      }
      rest.remove_prefix(written);
    }
  }
  held_.clear();
}

}  // namespace trelka
