#include "platform/byte_search.h"

#include <cstring>

namespace trelka {

std::size_t FindBytes(std::string_view text, std::string_view marker) {
  const void* found = ::memmem(text.data(), text.size(), marker.data(), marker.size());
  return found == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
}

}  // namespace trelka
