#include "document/gpx_document.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "test_support.h"

namespace trelka {
namespace {

using testing::Escaped;
using testing::W;
using testing::XmlProblem;

constexpr std::string_view kExpectedHeader =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="no" ?>)"
    R"(<gpx xmlns="http://www.topografix.com/GPX/1/1" creator="MapSource 6.15.6" version="1.1" )"
    R"(xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" )"
    R"(xsi:schemaLocation="http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd">)"
    R"(<metadata><link href="http://www.garmin.com"><text>Garmin International</text></link>)"
    R"(<time>2009-05-14T09:40:10Z</time>)"
    R"(<bounds maxlat="61.2262000" maxlon="35.6078834" minlat="58.5837000" minlon="26.9571167"/>)"
    R"(</metadata>)";

using Waypoints = std::vector<std::pair<WaypointRecord, CacheRecord>>;

constexpr std::string_view kSite = "https://geocaching.su/cache/";

GpxSettings Gpx10(std::optional<CoordinateBounds> bounds = std::nullopt) {
  return {GpxShape::kGpx10, std::string(kSite), "caches", std::move(bounds)};
}

std::string Finished(const Waypoints& waypoints, const GpxSettings& settings = {}) {
  Utf8Document document;
  GpxWriter writer(document, settings);
  writer.Start();
  for (const auto& [waypoint, cache] : waypoints) writer.Append(waypoint, cache);
  writer.Finish();
  return document.Text();
}

// Both shapes as the window keeps them: the GPX 1.1 text, and the edits applied to it.
std::pair<std::string, std::string> FinishedInBothShapes(const Waypoints& waypoints,
                                                         const GpxSettings& settings) {
  Utf8Document document;
  ShapeEdits gpx10;
  GpxWriter writer(document, gpx10, settings);
  writer.Start();
  for (const auto& [waypoint, cache] : waypoints) writer.Append(waypoint, cache);
  writer.Finish();
  return {document.Text(), gpx10.Apply(document)};
}

CacheRecord Ordinary() {
  CacheRecord cache;
  cache.name = W("Ёлка");
  cache.code = " [TR1234]";
  cache.author = "A";
  cache.created = W("Создан: 01.02.2003");
  cache.country = W("Страна: Россия");
  cache.difficulty = "2";
  cache.terrain = "3";
  cache.attributes = W("Атрибуты");
  cache.short_description = W("Под камнем, 5°\nвторая строка");
  cache.long_description = "";
  return cache;
}

constexpr std::string_view kExpectedGpx10Root =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="no" ?>)"
    R"(<gpx xmlns="http://www.topografix.com/GPX/1/0" version="1.0" creator="Trelka" )"
    R"(xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" )"
    R"(xsi:schemaLocation="http://www.topografix.com/GPX/1/0 http://www.topografix.com/GPX/1/0/gpx.xsd )"
    R"(http://www.groundspeak.com/cache/1/0 http://www.groundspeak.com/cache/1/0/cache.xsd">)";

TEST(GpxDocumentTest, NoWaypointsGiveHeaderAndClosingTag) {
  EXPECT_EQ(Finished({}), std::string(kExpectedHeader) + "\r\n</gpx>\r\n");
  EXPECT_EQ(Finished({}, {GpxShape::kGpx10, std::string(kSite), "", std::nullopt}),
            std::string(kExpectedGpx10Root) + "\r\n</gpx>\r\n");
}

// The name and the bounds follow the root; the name is UTF-8 as it comes, control characters
// left out, and guarded.
TEST(GpxDocumentTest, Gpx10HeaderNameAndBounds) {
  const CoordinateBounds bounds{"-5", "+37.1", "55.75", "180"};
  const struct {
    const char* what;
    GpxSettings settings;
    const char* after_root;
  } rows[] = {
      {"name and bounds",
       {GpxShape::kGpx10, "", "Ёлки & палки", bounds},
       R"(<name>Ёлки &#38; палки</name><bounds minlat="-5" minlon="+37.1" maxlat="55.75" maxlon="180"/>)"},
      {"no bounds", {GpxShape::kGpx10, "", "a\r\nb\x01<", std::nullopt}, "<name>ab&#60;</name>"},
      {"no name",
       {GpxShape::kGpx10, "", "\t", bounds},
       R"(<bounds minlat="-5" minlon="+37.1" maxlat="55.75" maxlon="180"/>)"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(HeaderText(row.settings), std::string(kExpectedGpx10Root) + row.after_root)
        << row.what;
  }
}

TEST(GpxDocumentTest, ByteExactElement) {
  const std::string document =
      Finished({{{"1234", "55.751244", "37.618423", "TR1234"}, Ordinary()}});
  const std::string expected =
      std::string(kExpectedHeader) + "\r\n" +
      R"(<wpt lat="55.751244" lon="37.618423"><name>1234</name>)"
      "<cmt>Ёлка [TR1234] A</cmt><desc>Ёлка [TR1234] от A</desc>"
      R"(<link href="http://www.geocaching.com/seek/cache_details.aspx?guid=a0c76253-72f5-4fa8-a45f-b1de64de56d1"/>)"
      "<sym>Geocache</sym><type>Geocache</type>"
      R"(<groundspeak:cache xmlns:groundspeak="http://www.groundspeak.com/cache/1/0" archived="False" available="True" id="1234">)"
      "<groundspeak:name>Ёлка [TR1234]</groundspeak:name>"
      "<groundspeak:placed_by>A</groundspeak:placed_by>"
      R"(<groundspeak:owner id="12345">A</groundspeak:owner>)"
      "<groundspeak:type>Traditional Cache</groundspeak:type>"
      "<groundspeak:container>Regular</groundspeak:container>"
      "<groundspeak:difficulty>2</groundspeak:difficulty>"
      "<groundspeak:terrain>3</groundspeak:terrain>"
      R"(<groundspeak:short_description html="True">Под камнем, 5)"
      "\xC2\xB0\r\nвторая строка----------</groundspeak:short_description>"
      R"(<groundspeak:long_description html="True"></groundspeak:long_description>)"
      "<groundspeak:encoded_hints>Создан: 01.02.2003Страна: РоссияАтрибуты"
      "</groundspeak:encoded_hints></groundspeak:cache></wpt>\r\n</gpx>\r\n";
  EXPECT_EQ(Escaped(document), Escaped(expected));
  EXPECT_EQ(XmlProblem(document), "");
}

TEST(GpxDocumentTest, ByteExactGpx10Element) {
  const std::string document =
      Finished({{{"1234", "  55.751244 ", "\t37.618423", "MS1234"}, Ordinary()}},
               Gpx10(CoordinateBounds{"55.751244", "37.618423", "55.751244", "37.618423"}));
  const std::string expected =
      std::string(kExpectedGpx10Root) +
      R"(<name>caches</name><bounds minlat="55.751244" minlon="37.618423" maxlat="55.751244" maxlon="37.618423"/>)"
      "\r\n"
      R"(<wpt lat="55.751244" lon="37.618423"><time>2003-02-01T00:00:00Z</time><name>MS1234</name>)"
      "<cmt>Ёлка [TR1234] A</cmt><desc>Ёлка [TR1234] от A</desc>"
      "<url>https://geocaching.su/cache/1234</url><urlname>Ёлка [TR1234]</urlname>"
      "<sym>Geocache</sym><type>Geocache|Multi-cache</type>"
      R"(<groundspeak:cache xmlns:groundspeak="http://www.groundspeak.com/cache/1/0" archived="False" available="True" id="1234">)"
      "<groundspeak:name>Ёлка [TR1234]</groundspeak:name>"
      "<groundspeak:placed_by>A</groundspeak:placed_by>"
      R"(<groundspeak:owner id="12345">A</groundspeak:owner>)"
      "<groundspeak:type>Multi-cache</groundspeak:type>"
      "<groundspeak:container>Regular</groundspeak:container>"
      "<groundspeak:difficulty>2</groundspeak:difficulty>"
      "<groundspeak:terrain>3</groundspeak:terrain>"
      R"(<groundspeak:short_description html="True">Под камнем, 5)"
      "\xC2\xB0\r\nвторая строка----------</groundspeak:short_description>"
      R"(<groundspeak:long_description html="True"></groundspeak:long_description>)"
      "<groundspeak:encoded_hints>Создан: 01.02.2003Страна: РоссияАтрибуты"
      "</groundspeak:encoded_hints></groundspeak:cache></wpt>\r\n</gpx>\r\n";
  EXPECT_EQ(Escaped(document), Escaped(expected));
  EXPECT_EQ(XmlProblem(document), "");
}

// What the GPX 1.0 element takes from the waypoint and the created block, beside what the
// GPX 1.1 element holds in its place.
TEST(GpxDocumentTest, Gpx10ElementsBesideGpx11) {
  const struct {
    const char* what;
    WaypointRecord waypoint;
    const char* created;
    const char* gpx10;
    const char* gpx11;
  } rows[] = {
      {"the code as the name",
       {"10234", "1", "2", "TR10234"},
       "",
       "<name>TR10234</name>",
       "<name>10234</name>"},
      {"a name guarded",
       {"<&", "1", "2", "TR<&"},
       "",
       "<name>TR&#60;&#38;</name>",
       "<name>&#60;&#38;</name>"},
      {"coordinates without blanks",
       {"1", "  55.7\t", " -37.6 ", "TR1"},
       "",
       R"(<wpt lat="55.7" lon="-37.6"><name>)",
       R"(<wpt lat="  55.7	" lon=" -37.6 "><name>)"},
      {"a url with an odd id",
       {"1 #&amp;\xC0\"", "1", "2", "TR1 #&amp;\xC0\""},
       "",
       "<url>https://geocaching.su/cache/1%20%23&#38;amp;%C0%22</url>",
       R"(<link href="http://www.geocaching.com/seek/cache_details.aspx?guid=)"},
      {"an empty id",
       {"", "1", "2", "TR"},
       "",
       "<url>https://geocaching.su/cache/</url>",
       "<name></name>"},
      {"the time of the created date",
       {"1", "1", "2", "TR1"},
       "Создан: &#160;12.05.2008&#160;",
       R"(<wpt lat="1" lon="2"><time>2008-05-12T00:00:00Z</time><name>TR1</name>)",
       R"(<wpt lat="1" lon="2"><name>1</name>)"},
      {"no time without a date",
       {"1", "1", "2", "TR1"},
       "Создан: 12.05.08",
       R"(<wpt lat="1" lon="2"><name>TR1</name>)",
       R"(<wpt lat="1" lon="2"><name>1</name>)"},
      {"the title with its code as urlname",
       {"1", "1", "2", "TR1"},
       "",
       "</url><urlname>Ёлка [TR1234]</urlname><sym>Geocache</sym>",
       "</desc><link href="},
  };
  for (const auto& row : rows) {
    CacheRecord cache = Ordinary();
    cache.created = W(row.created);
    const GpxSettings gpx10 = Gpx10();
    const std::string element10 = WaypointElement(row.waypoint, cache, gpx10);
    const std::string element11 = WaypointElement(row.waypoint, cache);
    EXPECT_NE(element10.find(W(row.gpx10)), std::string::npos) << row.what << "\n"
                                                               << Escaped(element10);
    EXPECT_NE(element11.find(W(row.gpx11)), std::string::npos) << row.what << "\n"
                                                               << Escaped(element11);
  }
}

// The cache type the code's first two letters stand for, in both of the GPX 1.0 element's
// places; GPX 1.1 keeps "Traditional Cache".
TEST(GpxDocumentTest, Gpx10CacheTypeFromTheCode) {
  const struct {
    const char* name;
    const char* type;
  } rows[] = {
      {"TR1", "Traditional Cache"},
      {"ms7", "Multi-cache"},
      {"VI3", "Virtual Cache"},
      {"mV3", "Virtual Cache"},
      {"EV9", "Event Cache"},
      {"LT1", "Unknown Cache"},
      {"lv1", "Unknown Cache"},
      {"Ct5", "Unknown Cache"},
      {"GC12", "Traditional Cache"},
      {"M", "Traditional Cache"},
      {"", "Traditional Cache"},
      {" MS1", "Traditional Cache"},
      {"\xD2\xD0"
       "1",
       "Traditional Cache"},
  };
  for (const auto& row : rows) {
    const WaypointRecord waypoint{"1", "1", "2", row.name};
    const std::string element10 = WaypointElement(waypoint, Ordinary(), Gpx10());
    const std::string type(row.type);
    EXPECT_NE(element10.find("<sym>Geocache</sym><type>Geocache|" + type + "</type>"),
              std::string::npos)
        << row.name;
    EXPECT_NE(element10.find("<groundspeak:type>" + type + "</groundspeak:type>"),
              std::string::npos)
        << row.name;
    EXPECT_NE(WaypointElement(waypoint, Ordinary())
                  .find("<type>Geocache</type><groundspeak:cache xmlns:groundspeak="),
              std::string::npos);
  }
}

TEST(GpxDocumentTest, ElementsFollowInOrderEachOnItsOwnLine) {
  CacheRecord empty;
  const std::string document =
      Finished({{{"1", "1", "2"}, empty}, {{"2", "3", "4"}, Ordinary()}, {{"3", "5", "6"}, empty}});
  const auto first = document.find("<wpt lat=\"1\"");
  const auto second = document.find("<wpt lat=\"3\"");
  const auto third = document.find("<wpt lat=\"5\"");
  ASSERT_NE(first, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_EQ(document.substr(second - 2, 2), "\r\n");
  EXPECT_EQ(document.find("\xEF\xBB\xBF"), std::string::npos);
  for (std::size_t i = 0; i < document.size(); ++i) {
    if (document[i] == '\n') {
      EXPECT_EQ(document[i - 1], '\r') << "bare LF at " << i;
    }
    if (document[i] == '\r') {
      EXPECT_EQ(document[i + 1], '\n') << "bare CR at " << i;
    }
  }
}

TEST(GpxDocumentTest, HostileFieldsStillGiveAWellFormedDocument) {
  CacheRecord cache;
  cache.name = std::string("<b>Tom & Jerry</b>\0cut", 22);
  cache.code = " [\"]]>]";
  cache.author = "&nbsp;x&#0;";
  cache.created = "]";
  cache.country = "]";
  cache.attributes = ">";
  cache.difficulty = "<";
  cache.terrain = "&";
  const std::string document = Finished({{{"1\"2", "5\"<", "&", "TR1\"2"}, cache}});
  EXPECT_EQ(XmlProblem(document), "") << Escaped(document);
  EXPECT_EQ(XmlProblem(Finished({{{"1\"2", "5\"<", "&", "TR1\"2"}, cache}}, Gpx10())), "");
  EXPECT_NE(document.find("<cmt>&#60;b>Tom &#38; Jerry&#60;/b>cut [\"]]&#62;] &#38;nbsp;x"),
            std::string::npos)
      << Escaped(document);
  EXPECT_NE(document.find("<groundspeak:encoded_hints>]]&#62;</groundspeak:encoded_hints>"),
            std::string::npos);
  EXPECT_NE(document.find(R"(id="1&#34;2")"), std::string::npos);
}

// In both shapes, and the window's pair (the GPX 1.1 text and its edits) gives the same bytes
// as composing each shape on its own, line breaks in any field included.
TEST(GpxDocumentTest, RandomBytesInEveryFieldStillParse) {
  std::mt19937 random(2026);
  const std::string dense = std::string("<>&#;]\"'x\r\n\t\x01\x98\xA8\xFF", 16) + '\0';
  auto field = [&] {
    std::string text;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) {
      text += random() % 2 ? dense[random() % dense.size()] : static_cast<char>(random() % 256);
    }
    return text;
  };
  for (int round = 0; round < 2000; ++round) {
    WaypointRecord waypoint{field(), field(), field(), field()};
    CacheRecord cache{field(), field(), field(), field(), field(),
                      field(), field(), field(), field(), field()};
    const Waypoints waypoints = {{waypoint, cache}, {waypoint, cache}};
    const GpxSettings gpx10{GpxShape::kGpx10, field(), "caches",
                            CoordinateBounds{"1", "2", "3", "4"}};
    const std::string document = Finished(waypoints);
    const std::string document10 = Finished(waypoints, gpx10);
    ASSERT_EQ(XmlProblem(document), "") << Escaped(document);
    ASSERT_EQ(XmlProblem(document10), "") << Escaped(document10);
    const auto [text, edited] = FinishedInBothShapes(waypoints, gpx10);
    ASSERT_EQ(Escaped(text), Escaped(document));
    ASSERT_EQ(Escaped(edited), Escaped(document10));
  }
}

}  // namespace
}  // namespace trelka
