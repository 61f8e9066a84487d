#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace trelka::testing {

namespace {

constexpr int kPollMs = 20;
constexpr int kRequestWaitMs = 2000;

int ListenOnLoopback(std::uint16_t& port, Loopback loopback = Loopback::kIpv4, int backlog = 16) {
  const bool ipv6 = loopback == Loopback::kIpv6;
  const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sockaddr_in6 address6{};
  address6.sin6_family = AF_INET6;
  address6.sin6_addr = in6addr_loopback;
  auto* chosen =
      ipv6 ? reinterpret_cast<sockaddr*>(&address6) : reinterpret_cast<sockaddr*>(&address);
  socklen_t length = ipv6 ? sizeof address6 : sizeof address;
  if (fd < 0 || ::bind(fd, chosen, length) != 0 || ::listen(fd, backlog) != 0 ||
      ::getsockname(fd, chosen, &length) != 0) {
    if (fd >= 0) ::close(fd);
    throw std::runtime_error(ipv6 ? "cannot listen on ::1" : "cannot listen on 127.0.0.1");
  }
  port = ntohs(ipv6 ? address6.sin6_port : address.sin_port);
  return fd;
}

bool Readable(int fd, int ms) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, ms) > 0;
}

}  // namespace

LoopbackServer::LoopbackServer(std::vector<Reply> replies, Loopback loopback)
    : LoopbackServer(
          [replies = std::move(replies), served = std::size_t{0}](const std::string&) mutable {
            return replies.at(std::min(served++, replies.size() - 1));
          },
          loopback) {}

LoopbackServer::LoopbackServer(Script script, Loopback loopback)
    : script_(std::move(script)), loopback_(loopback) {
  listener_ = ListenOnLoopback(port_, loopback_);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
  stopping_ = true;
  thread_.join();
  ::close(listener_);
}

std::string LoopbackServer::Address() const {
  return (loopback_ == Loopback::kIpv6 ? "http://[::1]:" : "http://127.0.0.1:") +
         std::to_string(port_);
}

std::vector<std::string> LoopbackServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::string> LoopbackServer::RequestLines() const {
  std::vector<std::string> lines;
  for (const std::string& request : Requests())
    lines.push_back(request.substr(0, request.find("\r\n")));
  return lines;
}

void LoopbackServer::Serve() {
  while (!stopping_) {
    if (!Readable(listener_, kPollMs)) continue;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Answer(connection);
    ::close(connection);
  }
}

void LoopbackServer::Answer(int connection) {
  // The request ends with its empty line; a client that never sends one is answered anyway.
  std::string request;
  for (int waited = 0; request.find("\r\n\r\n") == std::string::npos && waited < kRequestWaitMs;) {
    if (!Readable(connection, kPollMs)) {
      waited += kPollMs;
      continue;
    }
    char buffer[4096];
    const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  const Reply reply = script_(request);
  std::string_view rest = reply.bytes;
  while (!rest.empty() && !stopping_) {
    const std::size_t piece = reply.piece > 0 ? std::min(reply.piece, rest.size()) : rest.size();
    const ssize_t sent = ::send(connection, rest.data(), piece, MSG_NOSIGNAL);
    if (sent <= 0) break;
    rest.remove_prefix(static_cast<std::size_t>(sent));
    if (reply.piece > 0 && !rest.empty()) std::this_thread::sleep_for(reply.pause);
  }
  if (reply.then == Reply::Then::kStall) {
    char sink[4096];
    while (!stopping_) {
      if (Readable(connection, kPollMs) && ::recv(connection, sink, sizeof sink, 0) <= 0) break;
    }
  } else if (reply.then == Reply::Then::kReset) {
    linger hard{1, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  }
}

StalledListener::StalledListener() {
  listener_ = ListenOnLoopback(port_, Loopback::kIpv4, 0);
  queued_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port_);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(queued_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("cannot fill the accept queue");
  }
}

StalledListener::~StalledListener() {
  ::close(queued_);
  ::close(listener_);
}

bool HasIpv6Loopback() {
  try {
    std::uint16_t port = 0;
    ::close(ListenOnLoopback(port, Loopback::kIpv6));
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

std::uint16_t ClosedPort() {
  std::uint16_t port = 0;
  const int fd = ListenOnLoopback(port);
  ::close(fd);
  return port;
}

}  // namespace trelka::testing
