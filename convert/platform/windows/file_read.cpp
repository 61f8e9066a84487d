#include "platform/file_read.h"

#include <memory>

#include "failure.h"
#include "platform/file_failure.h"
#include "platform/windows/handle.h"
#include "platform/windows/system_headers.h"
#include "platform/windows/wide_text.h"

namespace trelka {

namespace {

constexpr DWORD kReadSize = 64 * 1024;
// No file can have this name: "<" and ">" are not allowed in Windows file names.
constexpr std::string_view kStandardInput = "<standard input>";

}  // namespace

std::optional<std::string> ReadFileIfPresent(const std::string& path, std::size_t limit,
                                             std::string_view too_large) {
  UniqueHandle owned;
  HANDLE file = nullptr;
  if (path == kStandardInput) {
    file = ::GetStdHandle(STD_INPUT_HANDLE);
    if (file == nullptr || file == INVALID_HANDLE_VALUE) RaiseFileNotFound(path);
  } else {
    owned = UniqueHandle(::CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!owned.IsOpen()) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND) return std::nullopt;
      RaiseFileFailure(static_cast<int>(error), path);
    }
    file = owned.Get();
  }
  const auto raise_too_large = [&] { throw FileFailure(std::string(too_large)); };
  std::string bytes;
  LARGE_INTEGER size{};
  if (::GetFileType(file) == FILE_TYPE_DISK && ::GetFileSizeEx(file, &size) != 0) {
    // A file's size is known: one too large fails before a byte is read.
    if (static_cast<unsigned long long>(size.QuadPart) > limit) raise_too_large();
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  const std::unique_ptr<char[]> chunk(new char[kReadSize]);
  for (;;) {
    DWORD got = 0;
    if (::ReadFile(file, chunk.get(), kReadSize, &got, nullptr) == 0) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_BROKEN_PIPE) return bytes;  // the writing end of a pipe closed
      RaiseFileFailure(static_cast<int>(error), path);
    }
    if (got == 0) return bytes;
    // Stopping here keeps memory bounded on endless input.
    if (got > limit - bytes.size()) raise_too_large();
    bytes.append(chunk.get(), got);
  }
}

std::string StandardInputPath() { return std::string(kStandardInput); }

}  // namespace trelka
