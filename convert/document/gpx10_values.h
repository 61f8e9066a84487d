// What the GPX 1.0 shape of the document states that neither the page nor the waypoint line
// holds as such: the cache type, read from the code's letters; the time, read from the date
// in the created block; the extent of the coordinates; and the document's name, taken from
// the waypoint file's.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trelka {

// The Groundspeak cache type that the catalogue's code (the waypoint's name) stands for, by
// its first two letters compared without case: TR "Traditional Cache", MS "Multi-cache", VI
// and MV "Virtual Cache", EV "Event Cache", LT, LV and CT "Unknown Cache"; anything else,
// a shorter name included, "Traditional Cache".
[[nodiscard]] std::string_view CacheTypeOf(std::string_view waypoint_name);

// "YYYY-MM-DDT00:00:00Z" for the first date DD.MM.YYYY in created (windows-1251) that is a
// day of the calendar and has no digit right before or after it; empty when there is none.
[[nodiscard]] std::string CreatedTime(std::string_view created);

// text without the blanks (spaces and tabs) at its ends.
[[nodiscard]] std::string_view WithoutBlanks(std::string_view text);

// The extent of coordinates, each bound as the text of the coordinate that sets it.
struct CoordinateBounds {
  std::string min_lat;
  std::string min_lon;
  std::string max_lat;
  std::string max_lon;

  bool operator==(const CoordinateBounds&) const = default;
};

// The extent of every waypoint line of a waypoint file's bytes whose lat and lon, without
// blanks, are decimal numbers (a sign, digits and at most one point, no exponent) within
// -90..90 and -180..180; nothing when no line has such a pair. Every line counts, whether or
// not its cache gets an element, so that the extent is known before the first page is asked.
[[nodiscard]] std::optional<CoordinateBounds> WaypointBounds(std::string_view waypoint_file_bytes);

// The name of the file at path, without its folder and its extension, as UTF-8 (ill-formed
// bytes as U+FFFD) without control characters.
[[nodiscard]] std::string DocumentNameOf(std::string_view path);

}  // namespace trelka
