#include "platform/windows/wide_text.h"

#include <filesystem>
#include <mutex>

#include "platform/windows/system_headers.h"

namespace trelka {

std::wstring Utf16Of(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), length);
  return out;
}

std::string Utf8Of(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = static_cast<int>(utf16.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

std::wstring WidePath(const std::string& utf8_path) {
  constexpr std::size_t kOldLimit = 260;
  std::wstring path = Utf16Of(utf8_path);
  const std::filesystem::path as_path(path);
  if (path.size() < kOldLimit || !as_path.is_absolute() || path.starts_with(L"\\\\")) return path;
  std::wstring prefixed = L"\\\\?\\" + as_path.lexically_normal().wstring();
  for (wchar_t& c : prefixed) {
    if (c == L'/') c = L'\\';
  }
  return prefixed;
}

void StartWinsock() {
  static std::once_flag started;
  std::call_once(started, [] {
    WSADATA data{};
    (void)::WSAStartup(MAKEWORD(2, 2), &data);
  });
}

}  // namespace trelka
