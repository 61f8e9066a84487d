// Composing the GPX 1.1 document: the fixed header, one wpt element with its Groundspeak
// cache extension per waypoint, and the closing tag, each written as lines of UTF-8 as it is
// made. Nothing is computed beyond joining texts: no coordinates are parsed, no bounds taken,
// no clock read. Every text from the waypoint file or a page passes the XML guard.
#pragma once

#include <string>
#include <string_view>

#include "cache_record.h"
#include "line_writer.h"
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

// The header line.
void StartDocument(LineWriter& document);

// The element's lines: WaypointElement's text, converted as it is composed.
void AppendWaypoint(LineWriter& document, const WaypointRecord& waypoint, const CacheRecord& cache);

// The closing line, "</gpx>".
void FinishDocument(LineWriter& document);

}  // namespace trelka
