// A scripted HTTP peer on 127.0.0.1 for the page client's tests: it records the exact bytes
// of every request and answers each connection with canned bytes, then closes, stalls or
// resets it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace trelka::testing {

struct Reply {
  enum class Then { kClose, kStall, kReset };
  std::string bytes;
  Then then = Then::kClose;
  // When set, the bytes go out in pieces of this size with pause between them: a slow server.
  std::size_t piece = 0;
  std::chrono::milliseconds pause{0};
};

enum class Loopback { kIpv4, kIpv6 };

class LoopbackServer {
 public:
  // Chooses the reply from the bytes of the request.
  using Script = std::function<Reply(const std::string& request)>;

  // Connection i gets replies[i]; connections past the end get the last reply.
  explicit LoopbackServer(std::vector<Reply> replies, Loopback loopback = Loopback::kIpv4);
  explicit LoopbackServer(Script script, Loopback loopback = Loopback::kIpv4);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  [[nodiscard]] std::uint16_t Port() const { return port_; }
  // "http://127.0.0.1:PORT", or "http://[::1]:PORT"
  [[nodiscard]] std::string Address() const;
  // The bytes each connection sent before the server answered it.
  [[nodiscard]] std::vector<std::string> Requests() const;
  // The first line of each request, without its line break.
  [[nodiscard]] std::vector<std::string> RequestLines() const;

 private:
  void Serve();
  void Answer(int connection);

  Script script_;
  Loopback loopback_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A loopback port that nothing listens on, for refused connections.
[[nodiscard]] std::uint16_t ClosedPort();

// A loopback port whose connections never complete: its one place in the accept queue is
// taken and nobody accepts, so further connects wait for good.
class StalledListener {
 public:
  StalledListener();
  ~StalledListener();
  StalledListener(const StalledListener&) = delete;
  StalledListener& operator=(const StalledListener&) = delete;
  [[nodiscard]] std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  int listener_ = -1;
  int queued_ = -1;
  std::uint16_t port_ = 0;
};

// Whether this machine has an IPv6 loopback to listen on.
[[nodiscard]] bool HasIpv6Loopback();

}  // namespace trelka::testing
