#include "document/gpx10_values.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace trelka {
namespace {

using testing::W;

TEST(Gpx10ValuesTest, CreatedTime) {
  const struct {
    const char* created;
    const char* time;
  } rows[] = {
      {"Создан: &#160;12.05.2008&#160;&#160;", "2008-05-12T00:00:00Z"},
      {"29.02.2008", "2008-02-29T00:00:00Z"},
      {"29.02.2000", "2000-02-29T00:00:00Z"},
      {"29.02.1900 then 01.03.1900", "1900-03-01T00:00:00Z"},
      {"31.04.2010, 30.04.2010", "2010-04-30T00:00:00Z"},
      {"00.01.2010 32.01.2010 01.13.2010 01.00.2010 01.01.0000", ""},
      {"112.05.2008 12.05.20081 12.05.2008", "2008-05-12T00:00:00Z"},
      {"12.05.08", ""},
      {"12-05-2008 12,05,2008", ""},
      {"", ""},
      {"31.12.9999", "9999-12-31T00:00:00Z"},
  };
  for (const auto& row : rows) EXPECT_EQ(CreatedTime(W(row.created)), row.time) << row.created;
}

TEST(Gpx10ValuesTest, WithoutBlanks) {
  EXPECT_EQ(WithoutBlanks("  \t55.7 \t"), "55.7");
  EXPECT_EQ(WithoutBlanks(" 5 5 "), "5 5");
  EXPECT_EQ(WithoutBlanks(" \t "), "");
}

// Lines whose coordinates are no decimal numbers, or lie outside the globe, are left out.
TEST(Gpx10ValuesTest, WaypointBounds) {
  const std::string header = "h\r\nh\r\nh\r\nh\r\n";
  const struct {
    const char* what;
    const char* lines;
    std::optional<CoordinateBounds> bounds;
  } rows[] = {
      {"one waypoint", "1,TR1,  55.75,  37.6,x\r\n",
       CoordinateBounds{"55.75", "37.6", "55.75", "37.6"}},
      {"lowest and highest of several, as written",
       "1,TR1,55.70,37.6,\r\n2,TR2,+56,-.5,\r\n3,TR3,-5.,180,\r\n",
       CoordinateBounds{"-5.", "-.5", "+56", "180"}},
      {"non-numeric coordinates left out",
       "1,TR1,N55 45.1,E37 37.1,\r\n2,TR2,1e5,1,\r\n3,TR3,55.7.1,1,\r\n4,TR4,.,1,\r\n"
       "5,TR5,+-5,1,\r\n6,TR6,0x10,1,\r\n7,TR7,,,\r\n8,TR8,5 5,1,\r\n9,TR9,10,20,\r\n",
       CoordinateBounds{"10", "20", "10", "20"}},
      {"off the globe left out", "1,TR1,90.1,1,\r\n2,TR2,1,-180.5,\r\n3,TR3,-90,-180,\r\n",
       CoordinateBounds{"-90", "-180", "-90", "-180"}},
      {"a line without a second coordinate", "1,TR1,55.7\r\n", std::nullopt},
      {"none that count", "1,TR1,x,y,\r\n\r\n", std::nullopt},
      {"no waypoints", "", std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(WaypointBounds(header + row.lines), row.bounds) << row.what;
  }
}

TEST(Gpx10ValuesTest, DocumentNameOf) {
  const struct {
    const char* path;
    const char* name;
  } rows[] = {
      {"folder/caches.wpt", "caches"},
      {"Ёлки 2024.wpt", "Ёлки 2024"},
      {"caches.tar.wpt", "caches.tar"},
      {"noextension", "noextension"},
      {"a\nb\tc.wpt", "abc"},
      {"bad\xFF.wpt", "bad\xEF\xBF\xBD"},
      {"dir.d/", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(DocumentNameOf(row.path), row.name) << row.path;
}

}  // namespace
}  // namespace trelka
