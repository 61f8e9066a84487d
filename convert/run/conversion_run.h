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
#include <optional>
#include <string>

#include "document/gpx_document.h"
#include "document/shape_edits.h"
#include "document/utf8_document.h"
#include "document/waypoint_record.h"
#include "http/page_source.h"
#include "platform/cancel_signal.h"
#include "run/run_window.h"

namespace trelka {

// Where a waypoint stands in its run: its number as progress counts it, and the run's total.
struct RunPosition {
  int index = 0;
  int total = 0;
};

// What a run does after a failed page that on_failed_page took.
enum class AfterFailedPage {
  kSkip,    // the waypoint gets no element and the run goes on
  kRetry,   // the same page is requested again
  kEndRun,  // the run fails with the page's failure, as without on_failed_page
};

struct RunSettings {
  // Scheme and host (and port) of the page service, as "http://host[:port]".
  std::string page_service_address;
  // Requests in flight at most, 1 to 8: while a page is worked on, this many are fetched.
  int connections = 1;
  // When set, a page whose request failed with a Failure other than a file's is passed to it,
  // on the run's thread and in waypoint order, and the run does what it answers; the run
  // waits meanwhile. When empty, the first failed page ends the run.
  std::function<AfterFailedPage(const WaypointRecord& waypoint, RunPosition position,
                                const std::exception_ptr& failure)>
      on_failed_page = {};
  // When set, told of each page without the cache name marker (its waypoint gets no element),
  // on the run's thread and in waypoint order.
  std::function<void(const WaypointRecord& waypoint, RunPosition position)> on_page_without_name =
      {};
  // The document's shape.
  GpxShape shape = GpxShape::kGpx11;
  // GPX 1.0: where a cache's page is on the catalogue's site, as "https://host/path/"; the id
  // follows.
  std::string cache_page_address = {};
  // GPX 1.0: the document's name; unset, the waypoint file's (DocumentNameOf).
  std::optional<std::string> document_name = {};
  // When set, the document is GPX 1.1 and this receives the edits that turn it into GPX 1.0,
  // so that either shape can be saved after one run; shape is not looked at. The document
  // must then keep its whole text (no spill).
  ShapeEdits* gpx10_edits = nullptr;
};

// Converts the waypoint file at path into result_document, which is emptied first and holds
// the document when the run returns (or, with a spill, has passed it all on but the last
// block); so do settings.gpx10_edits. A failure empties them and propagates, but for a failed page
// that settings.on_failed_page takes; so does RunCancelled, once cancel is signalled, within
// milliseconds.
void Run(const std::string& path, RunWindow& window, PageSource& pages, const RunSettings& settings,
         Utf8Document& result_document, const CancelSignal& cancel);

}  // namespace trelka
