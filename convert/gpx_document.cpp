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

std::string WaypointElement(const WaypointRecord& waypoint, const CacheRecord& cache) {
  static const std::string kFrom = Utf8ToCp1251(" от ");

  // Guarded once each; the three information blocks as one text, since they stand side by
  // side and "]]>" must not form across their joins.
  const std::string id = XmlGuard(waypoint.id, XmlContext::kElement);
  const std::string id_attribute = XmlGuard(waypoint.id, XmlContext::kAttribute);
  const std::string name = XmlGuard(cache.name, XmlContext::kElement);
  const std::string code = XmlGuard(cache.code, XmlContext::kElement);
  const std::string author = XmlGuard(cache.author, XmlContext::kElement);
  const std::string hints =
      XmlGuard(cache.created + cache.country + cache.attributes, XmlContext::kElement);

  std::string e;
  e.reserve(1200 + cache.short_description.size() + cache.long_description.size() + hints.size());
  e.append(R"(<wpt lat=")");
  AppendXmlGuarded(e, waypoint.lat, XmlContext::kAttribute);
  e.append(R"(" lon=")");
  AppendXmlGuarded(e, waypoint.lon, XmlContext::kAttribute);
  e.append(R"(">)");
  e.append("<name>").append(id).append("</name>");
  e.append("<cmt>").append(name).append(code).append(" ").append(author).append("</cmt>");
  e.append("<desc>").append(name).append(code).append(kFrom).append(author).append("</desc>");
  e.append(R"(<link href=")").append(kCacheDetailsAddress).append(R"("/>)");
  e.append("<sym>Geocache</sym>");
  e.append("<type>Geocache</type>");
  e.append(R"(<groundspeak:cache xmlns:groundspeak=")").append(kGroundspeakNamespace);
  e.append(R"(" archived="False" available="True" id=")").append(id_attribute).append(R"(">)");
  e.append("<groundspeak:name>").append(name).append(code).append("</groundspeak:name>");
  e.append("<groundspeak:placed_by>").append(author).append("</groundspeak:placed_by>");
  e.append(R"(<groundspeak:owner id="12345">)").append(author).append("</groundspeak:owner>");
  e.append("<groundspeak:type>Traditional Cache</groundspeak:type>");
  e.append("<groundspeak:container>Regular</groundspeak:container>");
  e.append("<groundspeak:difficulty>");
  AppendXmlGuarded(e, cache.difficulty, XmlContext::kElement);
  e.append("</groundspeak:difficulty>");
  e.append("<groundspeak:terrain>");
  AppendXmlGuarded(e, cache.terrain, XmlContext::kElement);
  e.append("</groundspeak:terrain>");
  e.append(R"(<groundspeak:short_description html="True">)");
  AppendXmlGuarded(e, cache.short_description, XmlContext::kElement);
  e.append("----------");
  e.append("</groundspeak:short_description>");
  e.append(R"(<groundspeak:long_description html="True">)");
  AppendXmlGuarded(e, cache.long_description, XmlContext::kElement);
  e.append("</groundspeak:long_description>");
  e.append("<groundspeak:encoded_hints>").append(hints).append("</groundspeak:encoded_hints>");
  e.append("</groundspeak:cache>");
  e.append("</wpt>");
  return e;
}

void AppendWaypoint(LineList& waypoint_lines, const WaypointRecord& waypoint,
                    const CacheRecord& cache) {
  waypoint_lines.AppendText(WaypointElement(waypoint, cache));
}

LineList FinishDocument(LineList& header_lines, LineList& waypoint_lines) {
  std::string text = waypoint_lines.TakeText();
  text.insert(0, header_lines.TakeText());
  // With its line break, so the converted text is already in the list's form and is taken
  // over without another copy.
  text.append("</gpx>\r\n");
  std::string utf8 = Cp1251ToUtf8(text);
  text = std::string();
  LineList document;
  document.SetText(std::move(utf8));
  return document;
}

}  // namespace trelka
