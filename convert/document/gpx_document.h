// Composing the GPX document in one of two shapes: the header, one wpt element with its
// Groundspeak cache element per waypoint, and the closing tag, each written as lines of UTF-8
// as it is made. Every text from the waypoint file or a page passes the XML guard.
//
// GPX 1.1, the default, only joins texts: no coordinates are parsed, no clock is read, and the
// cache element stands beside the wpt's own elements, where strict GPX 1.1 readers skip it.
// GPX 1.0 is the shape of the "pocket query" files that geocaching apps and handhelds read in
// full: a GPX 1.0 root with the document's name and the extent of the coordinates, and in each
// wpt the time from the created block, the catalogue's code as the name, the cache's page on
// the catalogue's site and the cache type the code stands for, in the order of the GPX 1.0
// schema. Both shapes share every other byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "document/cache_record.h"
#include "document/gpx10_values.h"
#include "document/line_writer.h"
#include "document/shape_edits.h"
#include "document/utf8_document.h"
#include "document/waypoint_record.h"

namespace trelka {

enum class GpxShape { kGpx11, kGpx10 };

struct GpxSettings {
  GpxShape shape = GpxShape::kGpx11;
  // GPX 1.0: where a cache's page is on the catalogue's site; the id follows.
  std::string cache_page_address = {};
  // GPX 1.0: the document's name, UTF-8 (control characters are left out); empty for none.
  std::string document_name = {};
  // GPX 1.0: the extent of the coordinates; nothing for no bounds element.
  std::optional<CoordinateBounds> bounds = {};
};

inline constexpr std::string_view kGpxNamespace = "http://www.topografix.com/GPX/1/1";
inline constexpr std::string_view kGpx10Namespace = "http://www.topografix.com/GPX/1/0";
inline constexpr std::string_view kXmlSchemaInstanceNamespace =
    "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr std::string_view kGroundspeakNamespace = "http://www.groundspeak.com/cache/1/0";
inline constexpr std::string_view kGpsMakerAddress = "http://www.garmin.com";
inline constexpr std::string_view kCacheDetailsAddress =
    "http://www.geocaching.com/seek/cache_details.aspx?guid=a0c76253-72f5-4fa8-a45f-b1de64de56d1";

// The header in settings.shape: one line of UTF-8, without a line break.
[[nodiscard]] std::string HeaderText(const GpxSettings& settings = {});

// The wpt element of one waypoint in settings.shape, windows-1251, without a trailing line
// break.
[[nodiscard]] std::string WaypointElement(const WaypointRecord& waypoint, const CacheRecord& cache,
                                          const GpxSettings& settings = {});

// Writes a document as lines into a Utf8Document: Start, an element per Append, Finish.
class GpxWriter {
 public:
  // The document in settings.shape.
  GpxWriter(Utf8Document& document, GpxSettings settings);
  // The document in GPX 1.1, and in gpx10 the edits that turn it into GPX 1.0; settings.shape
  // is not looked at. The document must keep its whole text (no spill).
  GpxWriter(Utf8Document& document, ShapeEdits& gpx10, GpxSettings settings);

  // The header line.
  void Start();
  // The element's lines, converted as it is composed.
  void Append(const WaypointRecord& waypoint, const CacheRecord& cache);
  // The closing line, "</gpx>".
  void Finish();

 private:
  friend class GpxOut;

  Utf8Document& document_;
  LineWriter text_;
  ShapeEdits* gpx10_ = nullptr;
  std::optional<LineWriter> replacements_;
  GpxSettings settings_;
};

}  // namespace trelka
