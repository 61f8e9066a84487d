#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>

#include "failure.h"
#include "platform/file_failure.h"
#include "platform/posix/system_call.h"

namespace trelka {

namespace {

constexpr std::size_t kReadSize = std::size_t{64} * 1024;

}  // namespace

std::optional<std::string> ReadFileIfPresent(const std::string& path, std::size_t limit,
                                             std::string_view too_large) {
  const UniqueFd file(RetryOnInterrupt([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }));
  if (!file.IsOpen()) {
    if (errno == ENOENT) return std::nullopt;
    RaiseFileFailure(errno, path);
  }
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

std::string StandardInputPath() { return "/dev/stdin"; }

}  // namespace trelka
