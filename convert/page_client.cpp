#include "page_client.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "http_failures.h"
#include "http_response.h"
#include "http_url.h"
#include "progress_window.h"
#include "socket_errors.h"
#include "system_call.h"

namespace trelka {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void RaiseSocketError(int error_number) {
  throw EIdSocketError(WinsockNumberOfErrno(error_number));
}

// One TCP connection, closed when it goes out of scope, also when connecting fails.
class Connection final : public ByteSource {
 public:
  Connection(const PeerAddress& peer, Deadline connect_deadline, const ExchangeLimits& limits,
             const CancelSignal& cancel)
      : fd_(::socket(peer.storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)),
        limits_(limits),
        cancel_(cancel) {
    if (!fd_.IsOpen()) throw EIdInvalidSocket();
    const auto* address = reinterpret_cast<const sockaddr*>(&peer.storage);
    // Not retried: an interrupted connect goes on by itself, as one in progress does.
    if (::connect(fd_.Get(), address, peer.length) == 0) return;
    if (errno != EINPROGRESS && errno != EINTR) RaiseSocketError(errno);
    const short ready = WaitUntilReady(fd_.Get(), POLLOUT, connect_deadline, cancel_);
    if (ready == 0) throw EIdSocketError(kWsaTimedOut);
    // Only a connect that failed reports an error or a hang-up; ask why only then.
    if ((ready & (POLLERR | POLLHUP)) == 0) return;
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(fd_.Get(), SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0) RaiseSocketError(error);
  }

  // Writes all of bytes.
  void Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t sent = RetryOnInterrupt(
          [&] { return ::send(fd_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL); });
      if (sent >= 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else if (errno != EAGAIN) {
        RaiseSocketError(errno);
      } else if (!WaitUntilReady(fd_.Get(), POLLOUT, Clock::now() + limits_.receive, cancel_)) {
        throw EIdSocketError(kWsaTimedOut);
      }
    }
  }

  // From now on the response must keep arriving.
  void RequestSent() { progress_.emplace(Clock::now(), limits_.receive, limits_.progress_bytes); }

  std::size_t Receive(char* buffer, std::size_t capacity) override {
    for (;;) {
      const ssize_t got = RetryOnInterrupt([&] { return ::recv(fd_.Get(), buffer, capacity, 0); });
      if (got >= 0) {
        if (progress_) progress_->Record(Clock::now(), static_cast<std::size_t>(got));
        return static_cast<std::size_t>(got);
      }
      if (errno != EAGAIN) RaiseSocketError(errno);
      Deadline deadline = Clock::now() + limits_.receive;
      if (progress_) deadline = std::min(deadline, progress_->Deadline());
      if (!WaitUntilReady(fd_.Get(), POLLIN, deadline, cancel_)) {
        throw EIdSocketError(kWsaTimedOut);
      }
    }
  }

  void ShutDownSending() { ::shutdown(fd_.Get(), SHUT_WR); }

 private:
  UniqueFd fd_;
  const ExchangeLimits& limits_;
  const CancelSignal& cancel_;
  std::optional<ProgressWindow> progress_;
};

}  // namespace

void IdHTTP::StartRun() {
  const std::lock_guard lock(lookup_mutex_);
  looked_up_.reset();
}

PeerAddress IdHTTP::Peer(const std::string& host, std::uint16_t port, Deadline deadline,
                         const CancelSignal& cancel) {
  // Requests made at once wait for the one lookup; it is bounded and cancellable itself.
  const std::lock_guard lock(lookup_mutex_);
  cancel.ThrowIfCancelled();
  if (!looked_up_ || looked_up_->first != host) {
    looked_up_.emplace(host, LookUpHost(host, port, deadline, cancel, resolver_));
  }
  PeerAddress peer = looked_up_->second;
  SetPort(peer, port);
  return peer;
}

std::string IdHTTP::Get(const std::string& url, const CancelSignal& cancel) {
  cancel.ThrowIfCancelled();
  const HttpTarget target = SplitUrl(url);
  const Deadline connect_deadline = Clock::now() + limits_.connect;
  Connection connection(Peer(target.host, target.port, connect_deadline, cancel), connect_deadline,
                        limits_, cancel);

  // The lines go out in one write: the same bytes on the wire, in one segment.
  std::string request = "GET " + target.request_target + " HTTP/1.0\r\n";
  request.append("Host: ").append(target.host).append("\r\n");
  request.append("Accept: ").append(kAcceptValue).append("\r\n");
  request.append("User-Agent: ").append(kUserAgentValue).append("\r\n");
  request.append("\r\n");
  connection.Send(request);
  connection.RequestSent();

  std::string body = ReadResponse(connection);
  connection.ShutDownSending();
  return body;
}

}  // namespace trelka
