#include "platform/standard_streams.h"

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

bool IsClosed(DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  return handle == nullptr || handle == INVALID_HANDLE_VALUE;
}

}  // namespace

// A closed standard handle is null, and no file can take its place: nothing to reopen.
bool PrepareStandardStreams(ClosedStandardStreams& closed) {
  closed = {IsClosed(STD_INPUT_HANDLE), IsClosed(STD_OUTPUT_HANDLE), IsClosed(STD_ERROR_HANDLE)};
  return true;
}

StandardStream::StandardStream(Which which)
    : which_(which), terminal_(TakesEscapes(HandleOf(which))) {}

void StandardStream::Flush() {
  if (held_.empty()) return;
  const HANDLE handle = HandleOf(which_);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    failed_ = true;
    held_.clear();
    return;
  }
  if (IsConsole(handle)) {
    // A console shows UTF-16 as it is, whatever its code page.
    const std::wstring text = Utf16Of(held_);
    DWORD written = 0;
    if (::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ==
        0) {
      failed_ = true;
    }
  } else {
    std::string_view rest = held_;
    while (!rest.empty()) {
      DWORD written = 0;
      if (::WriteFile(handle, rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr) ==
              0 ||
          written == 0) {
        failed_ = true;
        break;
      }
      rest.remove_prefix(written);
    }
  }
  held_.clear();
}

}  // namespace trelka
