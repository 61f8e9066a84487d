// Splitting a request URL into what the page client connects to and what it asks for. Pure
// text work; nothing here touches the network.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trelka {

struct HttpTarget {
  std::string scheme;
  std::string host;            // as written in the URL, letter case kept; goes into the Host line
  std::uint16_t port = 80;     // 80 when the URL names none, or names one that is not a number
  std::string request_target;  // path and document, without any "#" part of the document
};

// Backslashes count as slashes. Raises EIdInterceptPropInvalid for the https scheme.
[[nodiscard]] HttpTarget SplitUrl(std::string_view url);

}  // namespace trelka
