#include "document/waypoint_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/failure.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::TempDir;

constexpr std::string_view kHeader =
    "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n";

std::vector<std::string> AllLines(std::string_view bytes) {
  WaypointReader reader(bytes);
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

std::string FailureMessageOf(const std::string& path) {
  try {
    (void)ReadWaypointFile(path);
  } catch (const FileFailure& failure) {
    return failure.Message();
  }
  return "no failure";
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
  for (const auto& c : cases) {
    EXPECT_EQ(AllLines(c.bytes), c.lines) << c.name;
  }
}

TEST(WaypointFileTest, LongLinesAcrossReadBuffers) {
  TempDir dir;
  const std::string long_line(200000, 'x');
  const auto path = dir.Write("f.wpt", long_line + "\r\n" + long_line + "y");
  EXPECT_EQ(AllLines(ReadWaypointFile(path)),
            (std::vector<std::string>{long_line, long_line + "y"}));
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
  for (const auto& c : cases) {
    EXPECT_EQ(CountWaypointLines(c.bytes), c.count) << c.name;
  }
}

TEST(WaypointFileTest, MissingFileIsAFileFailure) {
  TempDir dir;
  EXPECT_EQ(FailureMessageOf((dir.Path() / "absent.wpt").string()), "File not found");
}

// Fails by its size, before a byte is read. Endless input (/dev/zero) is trelka-batch's test.
TEST(WaypointFileTest, FileOverTheLimitFails) {
  TempDir dir;
  const auto path = dir.Write("big.wpt", "");
  std::filesystem::resize_file(path, kMaxWaypointFileBytes + 1);
  EXPECT_EQ(FailureMessageOf(path), "Waypoint file exceeds 256 MiB");
}

TEST(ParseWaypointLineTest, Fields) {
  struct Case {
    const char* line;
    const char* id;
    const char* lat;
    const char* lon;
    const char* name;
  } cases[] = {
      {"1,TR1234,55.7,37.6,x,y", "1234", "55.7", "37.6", "TR1234"},
      {"1,TR1234,  55.751244,  37.618423,37,x", "1234", "  55.751244", "  37.618423", "TR1234"},
      {"1,TR1234,55.7,37.6", "1234", "55.7", "", "TR1234"},
      {"1,TR1234,55.7", "1234", "", "", "TR1234"},
      {"", "", "", "", ""},
      {"no commas at all", "", "", "", ""},
      {"1,X,55.7,37.6,", "", "55.7", "37.6", "X"},
      {"1,TR,55.7,37.6,", "", "55.7", "37.6", "TR"},
      {"1,TRA,55.7,37.6,", "A", "55.7", "37.6", "TRA"},
      {"1, ms 7 ,55.7,37.6,", "s 7 ", "55.7", "37.6", " ms 7 "},
      {"1,,,,", "", "", "", ""},
  };
  for (const auto& c : cases) {
    const WaypointRecord record = ParseWaypointLine(c.line);
    EXPECT_EQ(record.id, c.id) << c.line;
    EXPECT_EQ(record.lat, c.lat) << c.line;
    EXPECT_EQ(record.lon, c.lon) << c.line;
    EXPECT_EQ(record.name, c.name) << c.line;
  }
}

}  // namespace
}  // namespace trelka
