// The seam between a conversion run and the page service: one call per cache page. IdHTTP
// is the real thing; tests and benchmarks answer from memory.
#pragma once

#include <string>

#include "http/page.h"
#include "platform/cancel_signal.h"

namespace trelka {

class PageSource {
 public:
  virtual ~PageSource() = default;

  // Called by a run before its first request: a source forgets what it learnt in an earlier
  // run (the page client its name lookup).
  virtual void StartRun() {}

  // The page at url, byte for byte. A failure is raised as a Failure, which ends the run
  // unless it was told to go on past failed pages; once cancel is signalled, RunCancelled is
  // raised instead, within milliseconds. A run may call Get from several threads at once,
  // one call per page.
  [[nodiscard]] virtual Page Get(const std::string& url, const CancelSignal& cancel) = 0;
};

}  // namespace trelka
