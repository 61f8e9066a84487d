#include "waypoint_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "failure.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::TempDir;

constexpr std::string_view kHeader =
    "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n";

std::vector<std::string> AllLines(const std::string& path) {
  WaypointFile file(path);
  std::vector<std::string> lines;
  while (!file.AtEnd()) lines.push_back(file.ReadLine());
  return lines;
}

TEST(WaypointFileTest, LineRules) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"LF alone", "a\nb\n", {"a", "b"}},
      {"last line without a break", "a\nb", {"a", "b"}},
      {"lone CR is dropped and joins", "a\rb\nc", {"ab", "c"}},
      {"CR CR LF", "a\r\r\nb", {"a", "b"}},
      {"empty lines are lines", "\n\n", {"", ""}},
      {"Ctrl-Z at a line start ends the file",
       "a\n\x1A"
       "b\nc\n",
       {"a"}},
      {"Ctrl-Z inside a line is text",
       "a\x1A"
       "b\nc",
       {"a\x1A"
        "b",
        "c"}},
      {"Ctrl-Z first",
       "\x1A"
       "a\n",
       {}},
      {"empty file", "", {}},
      {"NUL is text", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    EXPECT_EQ(AllLines(dir.Write("f.wpt", c.bytes)), c.lines) << c.name;
  }
}

TEST(WaypointFileTest, LongLinesAcrossReadBuffers) {
  TempDir dir;
  const std::string long_line(200000, 'x');
  const auto path = dir.Write("f.wpt", long_line + "\r\n" + long_line + "y");
  EXPECT_EQ(AllLines(path), (std::vector<std::string>{long_line, long_line + "y"}));
}

TEST(WaypointFileTest, CountSkipsTheHeader) {
  struct Case {
    const char* name;
    std::string bytes;
    int count;
  } cases[] = {
      {"header only", std::string(kHeader), 0},
      {"fewer than four lines", "a\nb\n", 0},
      {"nothing", "", 0},
      {"two waypoints", std::string(kHeader) + "1,TR1\r\n2,TR2\r\n", 2},
      {"last line without break", std::string(kHeader) + "1,TR1\r\n2,TR2", 2},
      {"blank line counts", std::string(kHeader) + "1,TR1\r\n\r\n", 2},
      {"CR-separated file is one line", "h1\rh2\rh3\rh4\r1,TR1\r", 0},
      {"Ctrl-Z after the last waypoint",
       std::string(kHeader) + "1,TR1\r\n\x1A"
                              "2,TR2\r\n",
       1},
  };
  TempDir dir;
  for (const auto& c : cases) {
    EXPECT_EQ(CountWaypointLines(dir.Write("f.wpt", c.bytes)), c.count) << c.name;
  }
}

TEST(WaypointFileTest, MissingFileIsAFileFailure) {
  TempDir dir;
  try {
    (void)CountWaypointLines((dir.Path() / "absent.wpt").string());
    FAIL() << "no failure";
  } catch (const FileFailure& failure) {
    EXPECT_EQ(failure.Message(), "File not found");
  }
}

TEST(ParseWaypointLineTest, Fields) {
  struct Case {
    const char* line;
    const char* id;
    const char* lat;
    const char* lon;
  } cases[] = {
      {"1,TR1234,55.7,37.6,x,y", "1234", "55.7", "37.6"},
      {"1,TR1234,  55.751244,  37.618423,37,x", "1234", "  55.751244", "  37.618423"},
      {"1,TR1234,55.7,37.6", "1234", "55.7", ""},
      {"1,TR1234,55.7", "1234", "", ""},
      {"", "", "", ""},
      {"no commas at all", "", "", ""},
      {"1,X,55.7,37.6,", "", "55.7", "37.6"},
      {"1,TR,55.7,37.6,", "", "55.7", "37.6"},
      {"1,TRA,55.7,37.6,", "A", "55.7", "37.6"},
      {"1,,,,", "", "", ""},
  };
  for (const auto& c : cases) {
    const WaypointRecord record = ParseWaypointLine(c.line);
    EXPECT_EQ(record.id, c.id) << c.line;
    EXPECT_EQ(record.lat, c.lat) << c.line;
    EXPECT_EQ(record.lon, c.lon) << c.line;
  }
}

}  // namespace
}  // namespace trelka
