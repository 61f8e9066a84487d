// The conversion run as plain steps, one page after another on one thread: count the lines,
// then for each line show progress, request its page, cut it and add its element to a line
// list; at the end convert the whole list to UTF-8 at once. The oracle for Run, which
// fetches ahead on other threads and converts as it goes, and for the edits that give the
// window's GPX 1.0 document.
#pragma once

#include <string>
#include <string_view>

#include "document/gpx_document.h"
#include "http/page_source.h"
#include "platform/cancel_signal.h"
#include "run/run_window.h"

namespace trelka::faithful {

// The document's UTF-8 text, as Run leaves it in its result. In GPX 1.0 the document's name
// is the waypoint file's and the bounds are its waypoints', as Run takes them.
[[nodiscard]] std::string SequentialRun(const std::string& path, RunWindow& window,
                                        PageSource& pages, std::string_view page_service_address,
                                        const CancelSignal& cancel,
                                        GpxShape shape = GpxShape::kGpx11,
                                        std::string_view cache_page_address = {});

}  // namespace trelka::faithful
