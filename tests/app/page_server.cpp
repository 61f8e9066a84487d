#include "page_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace trelka::testing {

namespace {

// Bounds, so a client that stalls cannot hang the test.
constexpr int kPollMilliseconds = 50;
constexpr auto kRequestTimeout = std::chrono::seconds(5);
constexpr std::size_t kMaxRequestBytes = 64 * 1024;

}  // namespace

PageServer::PageServer(Script answer) : answer_(std::move(answer)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 8) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(listener_);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

PageServer::~PageServer() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

std::string PageServer::Address() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> PageServer::RequestLines() const {
  const std::lock_guard lock(mutex_);
  return request_lines_;
}

std::string PageServer::PageResponse() {
  return "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=windows-1251\r\n\r\n"
         "<html><body>a cache page</body></html>";
}

std::string PageServer::NotFoundResponse() {
  return "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>no such cache</html>";
}

void PageServer::Serve() {
  while (!stop_) {
    pollfd ready{listener_, POLLIN, 0};
    if (::poll(&ready, 1, kPollMilliseconds) <= 0) continue;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Answer(connection);
    ::close(connection);
  }
}

void PageServer::Answer(int connection) {
  std::string request;
  const auto deadline = std::chrono::steady_clock::now() + kRequestTimeout;
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequestBytes &&
         std::chrono::steady_clock::now() < deadline && !stop_) {
    pollfd ready{connection, POLLIN, 0};
    if (::poll(&ready, 1, kPollMilliseconds) <= 0) continue;
    char buffer[4096];
    const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  const std::string request_line = request.substr(0, request.find("\r\n"));
  {
    const std::lock_guard lock(mutex_);
    request_lines_.push_back(request_line);
  }
  const std::string answer = answer_(request_line);
  std::string_view response = answer;
  while (!response.empty()) {
    const ssize_t sent = ::send(connection, response.data(), response.size(), MSG_NOSIGNAL);
    if (sent <= 0) break;
    response.remove_prefix(static_cast<std::size_t>(sent));
  }
  ::shutdown(connection, SHUT_WR);
}

}  // namespace trelka::testing
