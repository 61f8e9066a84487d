#include "platform/socket.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/posix/socket_error_numbers.h"
#include "platform/posix/system_call.h"
#include "platform/posix/wait.h"

namespace trelka {

struct TcpSocket::Native {
  UniqueFd fd;
};

TcpSocket::TcpSocket() : native_(std::make_unique<Native>()) {}

TcpSocket::~TcpSocket() = default;

int TcpSocket::Connect(const PeerAddress& peer, Deadline deadline, const CancelSignal& cancel) {
  const auto* address = reinterpret_cast<const sockaddr*>(peer.storage.data());
  native_->fd =
      UniqueFd(::socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  const int fd = native_->fd.Get();
  if (fd < 0) return kNoSocket;
  // Not retried: an interrupted connect goes on by itself, as one in progress does.
  if (::connect(fd, address, peer.length) == 0) return 0;
  if (errno != EINPROGRESS && errno != EINTR) return WinsockNumberOfErrno(errno);
  const short ready = WaitUntilReady(fd, POLLOUT, deadline, cancel);
  if (ready == 0) return kWsaTimedOut;
  // Only a connect that failed reports an error or a hang-up; ask why only then.
  if ((ready & (POLLERR | POLLHUP)) == 0) return 0;
  int error = 0;
  socklen_t length = sizeof error;
  ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
  return error == 0 ? 0 : WinsockNumberOfErrno(error);
}

namespace {

Transfer Outcome(ssize_t result) {
  if (result >= 0) return {static_cast<std::size_t>(result), 0};
  return {0, errno == EAGAIN ? kWsaWouldBlock : WinsockNumberOfErrno(errno)};
}

}  // namespace

Transfer TcpSocket::Send(std::string_view bytes) {
  return Outcome(RetryOnInterrupt(
      [&] { return ::send(native_->fd.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL); }));
}

Transfer TcpSocket::Receive(char* buffer, std::size_t capacity) {
  return Outcome(RetryOnInterrupt([&] { return ::recv(native_->fd.Get(), buffer, capacity, 0); }));
}

bool TcpSocket::WaitUntilWritable(Deadline deadline, const CancelSignal& cancel) {
  return WaitUntilReady(native_->fd.Get(), POLLOUT, deadline, cancel) != 0;
}

bool TcpSocket::WaitUntilReadable(Deadline deadline, const CancelSignal& cancel) {
  return WaitUntilReady(native_->fd.Get(), POLLIN, deadline, cancel) != 0;
}

void TcpSocket::ShutDownSending() { ::shutdown(native_->fd.Get(), SHUT_WR); }

}  // namespace trelka
