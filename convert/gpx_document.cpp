#include "gpx_document.h"

#include "codepage.h"
#include "xml_guard.h"

namespace trelka {

std::string HeaderText() {
  std::string header = R"(<?xml version="1.0" encoding="UTF-8" standalone="no" ?>)";
  header.append(R"(<gpx xmlns=")").append(kGpxNamespace);
  header.append(R"(" creator="MapSource 6.15.6" version="1.1" xmlns:xsi=")")
      .append(kXmlSchemaInstanceNamespace);
  header.append(R"(" xsi:schemaLocation=")").append(kGpxNamespace).append(" ");
  header.append(kGpxNamespace).append("/gpx.xsd").append(R"(">)");
  header.append(R"(<metadata><link href=")").append(kGpsMakerAddress);
  header.append(
      R"("><text>Garmin International</text></link><time>2009-05-14T09:40:10Z</time>)"
      R"(<bounds maxlat="61.2262000" maxlon="35.6078834" minlat="58.5837000" minlon="26.9571167"/>)"
      R"(</metadata>)");
  return header;
}

namespace {

template <typename Out, typename... Pieces>
void Put(Out& out, const Pieces&... pieces) {
  (out.Append(std::string_view(pieces)), ...);
}

// Writes the element's pieces in order to out, which takes Append(std::string_view): the one
// place the element's shape is written down, for a text and for a document alike.
template <typename Out>
void ComposeElement(Out& out, const WaypointRecord& waypoint, const CacheRecord& cache) {
  static const std::string kFrom = Utf8ToCp1251(" от ");
  constexpr XmlContext kElement = XmlContext::kElement;
  constexpr XmlContext kAttribute = XmlContext::kAttribute;

  // Guarded once each; the three information blocks as one text, since they stand side by
  // side and "]]>" must not form across their joins.
  const std::string id = XmlGuard(waypoint.id, kElement);
  const std::string name = XmlGuard(cache.name, kElement);
  const std::string code = XmlGuard(cache.code, kElement);
  const std::string author = XmlGuard(cache.author, kElement);

  Put(out, R"(<wpt lat=")", XmlGuard(waypoint.lat, kAttribute), R"(" lon=")",
      XmlGuard(waypoint.lon, kAttribute), R"(">)");
  Put(out, "<name>", id, "</name>");
  Put(out, "<cmt>", name, code, " ", author, "</cmt>");
  Put(out, "<desc>", name, code, kFrom, author, "</desc>");
  Put(out, R"(<link href=")", kCacheDetailsAddress, R"("/>)");
  Put(out, "<sym>Geocache</sym>");
  Put(out, "<type>Geocache</type>");
  Put(out, R"(<groundspeak:cache xmlns:groundspeak=")", kGroundspeakNamespace,
      R"(" archived="False" available="True" id=")", XmlGuard(waypoint.id, kAttribute), R"(">)");
  Put(out, "<groundspeak:name>", name, code, "</groundspeak:name>");
  Put(out, "<groundspeak:placed_by>", author, "</groundspeak:placed_by>");
  Put(out, R"(<groundspeak:owner id="12345">)", author, "</groundspeak:owner>");
  Put(out, "<groundspeak:type>Traditional Cache</groundspeak:type>");
  Put(out, "<groundspeak:container>Regular</groundspeak:container>");
  Put(out, "<groundspeak:difficulty>", XmlGuard(cache.difficulty, kElement),
      "</groundspeak:difficulty>");
  Put(out, "<groundspeak:terrain>", XmlGuard(cache.terrain, kElement), "</groundspeak:terrain>");
  // The descriptions, each guarded on its own, so that at most one guarded copy is alive.
  Put(out, R"(<groundspeak:short_description html="True">)");
  Put(out, XmlGuard(cache.short_description, kElement));
  Put(out, "----------", "</groundspeak:short_description>");
  Put(out, R"(<groundspeak:long_description html="True">)");
  Put(out, XmlGuard(cache.long_description, kElement));
  Put(out, "</groundspeak:long_description>");
  Put(out, "<groundspeak:encoded_hints>",
      XmlGuard(cache.created + cache.country + cache.attributes, kElement),
      "</groundspeak:encoded_hints>");
  Put(out, "</groundspeak:cache>");
  Put(out, "</wpt>");
}

struct TextOut {
  std::string text;
  void Append(std::string_view piece) { text.append(piece); }
};

}  // namespace

std::string WaypointElement(const WaypointRecord& waypoint, const CacheRecord& cache) {
  TextOut out;
  ComposeElement(out, waypoint, cache);
  return std::move(out.text);
}

void StartDocument(LineWriter& document) { document.AppendText(HeaderText()); }

void AppendWaypoint(LineWriter& document, const WaypointRecord& waypoint,
                    const CacheRecord& cache) {
  ComposeElement(document, waypoint, cache);
  document.EndText();
}

void FinishDocument(LineWriter& document) { document.AppendText("</gpx>"); }

}  // namespace trelka
