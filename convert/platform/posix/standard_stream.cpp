#include "platform/standard_stream.h"

#include <unistd.h>

#include "platform/posix/system_call.h"

namespace trelka {

namespace {

int FdOf(StandardStream::Which which) {
  return which == StandardStream::Which::kOutput ? STDOUT_FILENO : STDERR_FILENO;
}

}  // namespace

StandardStream::StandardStream(Which which)
    : which_(which), terminal_(::isatty(FdOf(which)) == 1) {}

void StandardStream::Flush() {
  std::string_view rest = held_;
  while (!rest.empty()) {
    const ssize_t written =
        RetryOnInterrupt([&] { return ::write(FdOf(which_), rest.data(), rest.size()); });
    if (written <= 0) break;
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
  held_.clear();
}

}  // namespace trelka
