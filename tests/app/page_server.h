// A tiny page service on 127.0.0.1 for the window's tests: a thread that answers one GET per
// connection with the bytes a script gives for its request line, then closes.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace trelka::testing {

class PageServer {
 public:
  // The whole response (status line, headers, body) to a request with this request line.
  using Script = std::function<std::string(const std::string& request_line)>;

  explicit PageServer(Script answer);
  ~PageServer();
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  // "http://127.0.0.1:PORT", as the window takes a page service address.
  [[nodiscard]] std::string Address() const;
  // The request lines seen so far ("GET /cache.php?cid=... HTTP/1.0").
  [[nodiscard]] std::vector<std::string> RequestLines() const;

  // A 200 response with a small HTML body.
  [[nodiscard]] static std::string PageResponse();
  [[nodiscard]] static std::string NotFoundResponse();

 private:
  void Serve();
  void Answer(int connection);

  Script answer_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> request_lines_;
  std::thread thread_;
};

}  // namespace trelka::testing
