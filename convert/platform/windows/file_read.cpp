#include "platform/file_read.h"

#include <memory>

#include "platform/failure.h"
#include "platform/file_failure.h"
#include "platform/windows/handle.h"
#include "platform/windows/system_headers.h"
#include "platform/windows/wide_text.h"

namespace trelka {

namespace {

constexpr DWORD kReadSize = 64 * 1024;
// No file can have this name: "<" and ">" are not allowed in Windows file names.
constexpr std::string_view kStandardInput = "<standard input>";

// Every byte from file, which path names in messages.
std::string ReadAll(HANDLE file, const std::string& path, std::size_t limit,
                    std::string_view too_large) {
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

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

std::optional<std::string> ReadFileIfPresent(const std::string& path, std::size_t limit,
                                             std::string_view too_large) {
  if (path == kStandardInput) {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) RaiseFileNotFound(path);
    return ReadAll(input, path, limit, too_large);
  }
  const UniqueHandle file(::CreateFileW(WidePath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.IsOpen()) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return std::nullopt;
    RaiseFileFailure(static_cast<int>(error), path);
  }
  return ReadAll(file.Get(), path, limit, too_large);
}

std::optional<std::string> ReadRegularFileIfPresent(const FileInFolder& file, std::size_t limit,
                                                    std::string_view too_large) {
  // The name itself is opened, never what a link points to, and only a file on disk is taken.
  const UniqueHandle open_file(::CreateFileW(
      WidePath(file.path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
      FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
      nullptr));
  if (!open_file.IsOpen()) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return std::nullopt;
    RaiseFileFailure(static_cast<int>(error), file.path);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(open_file.Get()) != FILE_TYPE_DISK ||
      ::GetFileInformationByHandle(open_file.Get(), &info) == 0 ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    return std::nullopt;
  }
  return ReadAll(open_file.Get(), file.path, limit, too_large);
}

std::string StandardInputPath() { return std::string(kStandardInput); }

}  // namespace trelka
