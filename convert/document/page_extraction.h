// Cutting a cache's fields out of its catalogue page.
#pragma once

#include <optional>
#include <string_view>

#include "document/cache_record.h"

namespace trelka {

// The fields of the page, or nothing when the page holds no cache name marker.
[[nodiscard]] std::optional<CacheRecord> Extract(std::string_view page, bool include_terrain);

}  // namespace trelka
