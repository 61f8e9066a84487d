// Composing the GPX 1.1 document: the fixed header, one wpt element with its Groundspeak
// cache extension per waypoint, the closing tag, and the final conversion to UTF-8.
// Nothing is computed beyond joining texts: no coordinates are parsed, no bounds taken, no
// clock read. Every text from the waypoint file or a page passes the XML guard.
#pragma once

#include <string>
#include <string_view>

#include "cache_record.h"
#include "line_list.h"
#include "waypoint_record.h"

namespace trelka {

inline constexpr std::string_view kGpxNamespace = "http://www.topografix.com/GPX/1/1";
inline constexpr std::string_view kXmlSchemaInstanceNamespace =
    "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr std::string_view kGroundspeakNamespace = "http://www.groundspeak.com/cache/1/0";
inline constexpr std::string_view kGpsMakerAddress = "http://www.garmin.com";
inline constexpr std::string_view kCacheDetailsAddress =
    "http://www.geocaching.com/seek/cache_details.aspx?guid=a0c76253-72f5-4fa8-a45f-b1de64de56d1";

// The header: one line, without a line break.
[[nodiscard]] std::string HeaderText();

// The wpt element of one waypoint, windows-1251, without a trailing line break.
[[nodiscard]] std::string WaypointElement(const WaypointRecord& waypoint, const CacheRecord& cache);

// Adds the element's lines after the lines already in waypoint_lines.
void AppendWaypoint(LineList& waypoint_lines, const WaypointRecord& waypoint,
                    const CacheRecord& cache);

// Header, elements and "</gpx>" joined and converted from windows-1251 to UTF-8. Takes the
// two lists' texts, leaving them empty, so that the document is never held twice over.
[[nodiscard]] LineList FinishDocument(LineList& header_lines, LineList& waypoint_lines);

// The line break that saving writes after the document's text.
inline constexpr std::string_view kSaveTrailer = "\r\n";

}  // namespace trelka
