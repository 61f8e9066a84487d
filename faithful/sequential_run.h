// The conversion run as plain steps, one page after another on one thread: count the lines,
// then for each line show progress, request its page, cut it and add its element to a line
// list; at the end convert the whole list to UTF-8 at once. The oracle for Run, which
// fetches ahead on other threads and converts as it goes.
#pragma once

#include <string>
#include <string_view>

#include "page_source.h"
#include "platform/cancel_signal.h"
#include "run_window.h"

namespace trelka::faithful {

// The document's UTF-8 text, as Run leaves it in its result.
[[nodiscard]] std::string SequentialRun(const std::string& path, RunWindow& window,
                                        PageSource& pages, std::string_view page_service_address,
                                        const CancelSignal& cancel);

}  // namespace trelka::faithful
