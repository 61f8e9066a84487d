// What one waypoint line of the waypoint file contributes to the document.
#pragma once

#include <string>

namespace trelka {

struct WaypointRecord {
  std::string id;         // field 2 without its first 2 characters: the cache number
  std::string lat;        // field 3 verbatim, spaces kept; empty when no comma follows it
  std::string lon;        // field 4 verbatim, spaces kept; empty when no comma follows it
  std::string name = {};  // field 2 verbatim: the catalogue's code, such as TR1234
};

}  // namespace trelka
