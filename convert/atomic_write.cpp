#include "atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "file_failure.h"

namespace trelka {

namespace {

// Owns an open descriptor and, until Keep(), the temporary file it was made for.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& beside) {
    const std::filesystem::path target(beside);
    std::filesystem::path folder = target.parent_path();
    name_ = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    fd_ = ::mkostemp(name_.data(), O_CLOEXEC);
    if (fd_ < 0) RaiseFileFailure(errno, beside);
    // mkostemp makes the file private; give it the mode an ordinary create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(name_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  [[nodiscard]] int Fd() const { return fd_; }
  [[nodiscard]] const std::string& Name() const { return name_; }
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }
  void Keep() { kept_ = true; }

 private:
  std::string name_;
  int fd_ = -1;
  bool kept_ = false;
};

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      RaiseFileFailure(errno, path);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void WriteInPlace(const std::string& path, std::initializer_list<std::string_view> parts) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) RaiseFileFailure(errno, path);
  try {
    for (std::string_view part : parts) WriteAll(fd, part, path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) RaiseFileFailure(errno, path);
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::initializer_list<std::string_view> parts) {
  struct stat info {};
  std::string target = path;
  if (::stat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return WriteInPlace(path, parts);
    // Renaming would get round a file's own write protection; honour it instead.
    if (::access(path.c_str(), W_OK) != 0) RaiseFileFailure(errno, path);
    // Replace the file a symbolic link points to, not the link.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
  }

  TemporaryFile temporary(target);
  for (std::string_view part : parts) WriteAll(temporary.Fd(), part, path);
  if (::fsync(temporary.Fd()) != 0) RaiseFileFailure(errno, path);
  if (temporary.Close() != 0) RaiseFileFailure(errno, path);
  if (::rename(temporary.Name().c_str(), target.c_str()) != 0) RaiseFileFailure(errno, path);
  temporary.Keep();
}

}  // namespace trelka
