// The conversion run: one waypoint file in, one finished GPX document out. It owns the order
// of everything that happens in a conversion; the window and the page service are reached
// only through their two seams, RunWindow (run_window.h) and PageSource (page_source.h).
//
// Pages are requested ahead on threads of their own (PagePipeline) while the run cuts,
// cleans and composes the page before, and each element goes into the document, UTF-8, as it
// is made. Everything the window sees stays in waypoint order on the run's own thread.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "page_source.h"
#include "platform/cancel_signal.h"
#include "run_window.h"
#include "utf8_document.h"
#include "waypoint_record.h"

namespace trelka {

struct RunSettings {
  // Scheme and host (and port) of the page service, as "http://host[:port]".
  std::string page_service_address;
  // Requests in flight at most, 1 to 8: while a page is worked on, this many are fetched.
  int connections = 1;
  // When set, a page whose request failed with a Failure other than a file's is passed to it,
  // on the run's thread and in waypoint order, and the run goes on without its element. When
  // empty, the first failed page ends the run.
  std::function<void(const WaypointRecord& waypoint, const std::exception_ptr& failure)>
      on_failed_page = {};
};

// Converts the waypoint file at path into result_document, which is emptied first and holds
// the document when the run returns (or, with a spill, has passed it all on but the last
// block). A failure empties it and propagates, but for a failed page that
// settings.on_failed_page takes; so does RunCancelled, once cancel is signalled, within
// milliseconds.
void Run(const std::string& path, RunWindow& window, PageSource& pages, const RunSettings& settings,
         Utf8Document& result_document, const CancelSignal& cancel);

}  // namespace trelka
