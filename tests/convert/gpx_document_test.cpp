#include "gpx_document.h"

#include <gtest/gtest.h>

#include <random>

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

std::string Finished(std::initializer_list<std::pair<WaypointRecord, CacheRecord>> waypoints) {
  Utf8Document document;
  LineWriter writer(document);
  StartDocument(writer);
  for (const auto& [waypoint, cache] : waypoints) AppendWaypoint(writer, waypoint, cache);
  FinishDocument(writer);
  return document.Text();
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

TEST(GpxDocumentTest, NoWaypointsGiveHeaderAndClosingTag) {
  EXPECT_EQ(Finished({}), std::string(kExpectedHeader) + "\r\n</gpx>\r\n");
}

TEST(GpxDocumentTest, ByteExactElement) {
  const std::string document = Finished({{{"1234", "55.751244", "37.618423"}, Ordinary()}});
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
  const std::string document = Finished({{{"1\"2", "5\"<", "&"}, cache}});
  EXPECT_EQ(XmlProblem(document), "") << Escaped(document);
  EXPECT_NE(document.find("<cmt>&#60;b>Tom &#38; Jerry&#60;/b>cut [\"]]&#62;] &#38;nbsp;x"),
            std::string::npos)
      << Escaped(document);
  EXPECT_NE(document.find("<groundspeak:encoded_hints>]]&#62;</groundspeak:encoded_hints>"),
            std::string::npos);
  EXPECT_NE(document.find(R"(id="1&#34;2")"), std::string::npos);
}

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
    WaypointRecord waypoint{field(), field(), field()};
    CacheRecord cache{field(), field(), field(), field(), field(),
                      field(), field(), field(), field(), field()};
    const std::string document = Finished({{waypoint, cache}, {waypoint, cache}});
    ASSERT_EQ(XmlProblem(document), "") << Escaped(document);
  }
}

}  // namespace
}  // namespace trelka
