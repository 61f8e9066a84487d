// The one way the library makes system calls: a descriptor with exactly one owner, and one
// retry for calls that a signal interrupted.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace trelka {

// Calls call() again for as long as it fails with EINTR, and returns its last result. For
// calls that report failure as -1 with errno set (read, write, poll, open, connect...).
template <typename Call>
auto RetryOnInterrupt(Call&& call) {
  for (;;) {
    auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

// An open file descriptor and its one owner: closed when the owner goes, so that no path
// out of a constructor or a function can leak it. A closed UniqueFd holds -1.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { (void)Close(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      (void)Close();
      fd_ = other.Release();
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  [[nodiscard]] int Get() const { return fd_; }
  [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }

  // Gives the descriptor up without closing it.
  [[nodiscard]] int Release() { return std::exchange(fd_, -1); }

  // Closes now and returns close()'s result (0 when nothing was open), so that a failed close
  // of a written file can be reported. Not retried on EINTR: Linux has closed it by then.
  int Close() {
    if (fd_ < 0) return 0;
    return ::close(std::exchange(fd_, -1));
  }

 private:
  int fd_ = -1;
};

}  // namespace trelka
