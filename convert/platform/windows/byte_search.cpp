#include "platform/byte_search.h"

#include <algorithm>
#include <functional>

namespace trelka {

std::size_t FindBytes(std::string_view text, std::string_view marker) {
  const auto found = std::search(text.begin(), text.end(),
                                 std::boyer_moore_horspool_searcher(marker.begin(), marker.end()));
  return found == text.end() && !marker.empty() ? std::string_view::npos
                                                : static_cast<std::size_t>(found - text.begin());
}

}  // namespace trelka
