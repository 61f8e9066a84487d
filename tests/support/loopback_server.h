// A scripted HTTP peer on 127.0.0.1 for the page client's tests: it records the exact bytes
// of every request and answers each connection with canned bytes, then closes, stalls or
// resets it.
#pragma once

#include <atomic>
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
};

class LoopbackServer {
 public:
  // Chooses the reply from the bytes of the request.
  using Script = std::function<Reply(const std::string& request)>;

  // Connection i gets replies[i]; connections past the end get the last reply.
  explicit LoopbackServer(std::vector<Reply> replies);
  explicit LoopbackServer(Script script);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  [[nodiscard]] std::uint16_t Port() const { return port_; }
  // "http://127.0.0.1:PORT"
  [[nodiscard]] std::string Address() const;
  // The bytes each connection sent before the server answered it.
  [[nodiscard]] std::vector<std::string> Requests() const;
  // The first line of each request, without its line break.
  [[nodiscard]] std::vector<std::string> RequestLines() const;

 private:
  void Serve();
  void Answer(int connection);

  Script script_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A loopback port that nothing listens on, for refused connections.
[[nodiscard]] std::uint16_t ClosedPort();

}  // namespace trelka::testing
