#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>

#include "platform/failure.h"
#include "platform/file_failure.h"
#include "platform/posix/system_call.h"

namespace trelka {

namespace {

constexpr std::size_t kReadSize = std::size_t{64} * 1024;

int FolderFd(const FileInFolder& file) { return static_cast<int>(file.folder->NativeHandle()); }

// Every byte from file, which path names in messages.
std::string ReadAll(const UniqueFd& file, const std::string& path, std::size_t limit,
                    std::string_view too_large) {
  const auto raise_too_large = [&] { throw FileFailure(std::string(too_large)); };
  std::string bytes;
  struct stat info {};
  if (::fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode)) {
    // A regular file's size is known: one too large fails before a byte is read.
    if (static_cast<std::uintmax_t>(info.st_size) > limit) raise_too_large();
    bytes.reserve(static_cast<std::size_t>(info.st_size));
  }
  const std::unique_ptr<char[]> chunk(new char[kReadSize]);
  for (;;) {
    const ssize_t got =
        RetryOnInterrupt([&] { return ::read(file.Get(), chunk.get(), kReadSize); });
    if (got < 0) RaiseFileFailure(errno, path);
    if (got == 0) return bytes;
    // Stopping here keeps memory bounded on endless input such as /dev/zero.
    if (static_cast<std::size_t>(got) > limit - bytes.size()) raise_too_large();
    bytes.append(chunk.get(), static_cast<std::size_t>(got));
  }
}

}  // namespace

std::optional<std::string> ReadFileIfPresent(const std::string& path, std::size_t limit,
                                             std::string_view too_large) {
  const UniqueFd file(RetryOnInterrupt([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }));
  if (!file.IsOpen()) {
    if (errno == ENOENT) return std::nullopt;
    RaiseFileFailure(errno, path);
  }
  return ReadAll(file, path, limit, too_large);
}

std::optional<std::string> ReadRegularFileIfPresent(const FileInFolder& file, std::size_t limit,
                                                    std::string_view too_large) {
  // Looked at before it is opened, since opening a device can have effects of its own, and
  // again once open, in case the name was replaced in between.
  struct stat info {};
  if (::fstatat(FolderFd(file), file.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return std::nullopt;
    RaiseFileFailure(errno, file.path);
  }
  if (!S_ISREG(info.st_mode)) return std::nullopt;
  const UniqueFd open_file(RetryOnInterrupt([&] {
    return ::openat(FolderFd(file), file.name.c_str(),
                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  }));
  if (!open_file.IsOpen()) {
    if (errno == ENOENT || errno == ELOOP) return std::nullopt;
    RaiseFileFailure(errno, file.path);
  }
  if (::fstat(open_file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return ReadAll(open_file, file.path, limit, too_large);
}

std::string StandardInputPath() { return "/dev/stdin"; }

}  // namespace trelka
