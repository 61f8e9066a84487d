#include "standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "system_call.h"

namespace trelka {

namespace {

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

}  // namespace trelka
