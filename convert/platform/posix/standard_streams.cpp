#include "platform/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/posix/system_call.h"

namespace trelka {

namespace {

int FdOf(StandardStream::Which which) {
  return which == StandardStream::Which::kOutput ? STDOUT_FILENO : STDERR_FILENO;
}

bool IsClosed(int fd) { return ::fcntl(fd, F_GETFD) == -1 && errno == EBADF; }

}  // namespace

bool PrepareStandardStreams(ClosedStandardStreams& closed) {
  closed = {IsClosed(STDIN_FILENO), IsClosed(STDOUT_FILENO), IsClosed(STDERR_FILENO)};
  // open() takes the lowest free number, so going up from 0 fills exactly the closed ones.
  for (const bool is_closed : {closed.input, closed.output, closed.error}) {
    if (!is_closed) continue;
    const int fd = RetryOnInterrupt([] { return ::open("/dev/null", O_RDWR); });
    if (fd < 0) return false;
  }
  // A progress reader that went away must not end a run; writes to it fail instead.
  (void)std::signal(SIGPIPE, SIG_IGN);
  return true;
}

StandardStream::StandardStream(Which which)
    : which_(which), terminal_(::isatty(FdOf(which)) == 1) {}

void StandardStream::Flush() {
  std::string_view rest = held_;
  while (!rest.empty()) {
    const ssize_t written =
        RetryOnInterrupt([&] { return ::write(FdOf(which_), rest.data(), rest.size()); });
    if (written <= 0) {
      failed_ = true;
      break;
    }
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
  held_.clear();
}

}  // namespace trelka
