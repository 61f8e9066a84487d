// The page cuts written the slow, obvious way: the page is a copy from which each step deletes
// its front with Delete, and every search is a Pos over what is left. The oracle for
// page_extraction.h, used by the tests and the benchmark.
#pragma once

#include <optional>
#include <string_view>

#include "document/cache_record.h"

namespace trelka::faithful {

[[nodiscard]] std::optional<CacheRecord> Extract(std::string_view page, bool include_terrain);

}  // namespace trelka::faithful
