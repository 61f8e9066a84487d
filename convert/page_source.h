// The seam between a conversion run and the page service: one call per cache page. IdHTTP
// is the real thing; tests and benchmarks answer from memory.
#pragma once

#include <string>

namespace trelka {

class PageSource {
 public:
  virtual ~PageSource() = default;
  // The page at url, byte for byte. A failure is raised as a Failure and ends the run.
  [[nodiscard]] virtual std::string Get(const std::string& url) = 0;
};

}  // namespace trelka
