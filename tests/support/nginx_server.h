// nginx serving a folder of cache pages on a loopback port, for the tests that need a real
// web server. Started in the constructor, stopped in the destructor.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace trelka::testing {

class NginxServer {
 public:
  // Serves root/N.html at /cache.php?cid=N. Fails the test run when nginx does not come up
  // within a few seconds.
  explicit NginxServer(const std::string& root);
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  // "http://127.0.0.1:PORT"
  [[nodiscard]] std::string Address() const;
  void Stop();

 private:
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace trelka::testing
