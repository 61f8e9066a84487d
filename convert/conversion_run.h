// The conversion run: one waypoint file in, one finished GPX document out. It owns the order
// of everything that happens in a conversion; the window and the page service are reached
// only through their two seams, RunWindow (run_window.h) and PageSource (page_source.h).
#pragma once

#include <string>
#include <string_view>

#include "line_list.h"
#include "page_source.h"
#include "run_window.h"

namespace trelka {

// Converts the waypoint file at path. result_document is replaced by an empty list first and
// holds the UTF-8 document when the run returns; a failure leaves it empty and propagates.
void Run(const std::string& path, RunWindow& window, PageSource& pages,
         std::string_view page_service_address, LineList& result_document);

}  // namespace trelka
