#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace trelka::testing {

namespace {

constexpr int kPollMs = 20;
constexpr int kRequestWaitMs = 2000;

int ListenOnLoopback(std::uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port = ntohs(address.sin_port);
  return fd;
}

bool Readable(int fd, int ms) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, ms) > 0;
}

}  // namespace

LoopbackServer::LoopbackServer(std::vector<Reply> replies)
    : LoopbackServer(
          [replies = std::move(replies), served = std::size_t{0}](const std::string&) mutable {
            return replies.at(std::min(served++, replies.size() - 1));
          }) {}

LoopbackServer::LoopbackServer(Script script) : script_(std::move(script)) {
  listener_ = ListenOnLoopback(port_);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
  stopping_ = true;
  thread_.join();
  ::close(listener_);
}

std::string LoopbackServer::Address() const { return "http://127.0.0.1:" + std::to_string(port_); }

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
  while (!rest.empty()) {
    const ssize_t sent = ::send(connection, rest.data(), rest.size(), MSG_NOSIGNAL);
    if (sent <= 0) break;
    rest.remove_prefix(static_cast<std::size_t>(sent));
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

std::uint16_t ClosedPort() {
  std::uint16_t port = 0;
  const int fd = ListenOnLoopback(port);
  ::close(fd);
  return port;
}

}  // namespace trelka::testing
