#include "page_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "http_failures.h"
#include "http_response.h"
#include "http_url.h"
#include "socket_errors.h"
#include "text_primitives.h"

namespace trelka {

namespace {

[[noreturn]] void RaiseSocketError(int error_number) {
  throw EIdSocketError(WinsockNumberOfErrno(error_number));
}

// Four decimal numbers from 0 to 255 joined by dots, and nothing else.
bool ParseDottedIpv4(std::string_view text, in_addr& address) {
  std::uint32_t value = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (text.empty() || text.front() != '.') return false;
      text.remove_prefix(1);
    }
    unsigned number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end == text.data() || number > 255) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    value = value << 8 | number;
  }
  if (!text.empty()) return false;
  address.s_addr = htonl(value);
  return true;
}

in_addr Resolve(const std::string& host) {
  in_addr address{};
  if (EqualsIgnoringCase(host, "LOCALHOST")) {
    address.s_addr = htonl(INADDR_LOOPBACK);
    return address;
  }
  if (ParseDottedIpv4(host, address)) return address;

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (result != 0) throw EIdSocketError(WinsockNumberOfResolverError(result, errno));
  address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  ::freeaddrinfo(found);
  return address;
}

int Milliseconds(std::chrono::milliseconds limit) {
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(limit.count(), 0, INT32_MAX));
}

// Waits for events on fd; false when the limit expires first.
bool Wait(int fd, short events, std::chrono::milliseconds limit) {
  pollfd entry{fd, events, 0};
  for (;;) {
    const int ready = ::poll(&entry, 1, Milliseconds(limit));
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) RaiseSocketError(errno);
  }
}

// One TCP connection, closed when it goes out of scope.
class Connection final : public ByteSource {
 public:
  Connection(in_addr address, std::uint16_t port, std::chrono::milliseconds connect_limit,
             std::chrono::milliseconds receive_limit)
      : receive_limit_(receive_limit) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) throw EIdInvalidSocket();
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr = address;
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
      if (errno != EINPROGRESS) RaiseSocketError(errno);
      if (!Wait(fd_, POLLOUT, connect_limit)) throw EIdSocketError(kWsaTimedOut);
      int error = 0;
      socklen_t length = sizeof error;
      ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
      if (error != 0) RaiseSocketError(error);
    }
  }
  ~Connection() override { ::close(fd_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Writes one whole line; more_follows lets the kernel put it in one segment with the next.
  void SendLine(std::string_view line, bool more_follows) {
    const int flags = MSG_NOSIGNAL | (more_follows ? MSG_MORE : 0);
    while (!line.empty()) {
      const ssize_t sent = ::send(fd_, line.data(), line.size(), flags);
      if (sent >= 0) {
        line.remove_prefix(static_cast<std::size_t>(sent));
      } else if (errno == EAGAIN) {
        if (!Wait(fd_, POLLOUT, receive_limit_)) throw EIdSocketError(kWsaTimedOut);
      } else if (errno != EINTR) {
        RaiseSocketError(errno);
      }
    }
  }

  std::size_t Receive(char* buffer, std::size_t capacity) override {
    for (;;) {
      const ssize_t got = ::recv(fd_, buffer, capacity, 0);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno == EAGAIN) {
        if (!Wait(fd_, POLLIN, receive_limit_)) throw EIdSocketError(kWsaTimedOut);
      } else if (errno != EINTR) {
        RaiseSocketError(errno);
      }
    }
  }

  void ShutDownSending() { ::shutdown(fd_, SHUT_WR); }

 private:
  int fd_ = -1;
  std::chrono::milliseconds receive_limit_;
};

}  // namespace

std::string IdHTTP::Get(const std::string& url) {
  const HttpTarget target = SplitUrl(url);
  Connection connection(Resolve(target.host), target.port, connect_limit_, receive_limit_);

  connection.SendLine("GET " + target.request_target + " HTTP/1.0\r\n", true);
  connection.SendLine("Host: " + target.host + "\r\n", true);
  connection.SendLine("Accept: " + std::string(kAcceptValue) + "\r\n", true);
  connection.SendLine("User-Agent: " + std::string(kUserAgentValue) + "\r\n", true);
  connection.SendLine("\r\n", false);

  std::string body = ReadResponse(connection);
  connection.ShutDownSending();
  return body;
}

}  // namespace trelka
