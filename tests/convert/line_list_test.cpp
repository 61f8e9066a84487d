#include "line_list.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace trelka {
namespace {

using testing::Escaped;

TEST(LineListTest, SetTextSplitsAtEveryBreakKind) {
  struct Case {
    const char* name;
    std::string text;
    std::string read_back;
    std::size_t count;
  } cases[] = {
      {"empty", "", "", 0},
      {"one line", "a", "a\r\n", 1},
      {"break at the end adds no line", "a\r\n", "a\r\n", 1},
      {"CR LF", "a\r\nb", "a\r\nb\r\n", 2},
      {"lone LF", "a\nb\n", "a\r\nb\r\n", 2},
      {"lone CR", "a\rb\r", "a\r\nb\r\n", 2},
      {"CR LF CR gives an empty line", "a\r\n\rb", "a\r\n\r\nb\r\n", 3},
      {"LF CR is two breaks", "a\n\rb", "a\r\n\r\nb\r\n", 3},
      {"only a break", "\n", "\r\n", 1},
      {"NUL ends the text", std::string("a\nb\0c\nd", 7), "a\r\nb\r\n", 2},
  };
  for (const auto& c : cases) {
    LineList list;
    list.SetText(c.text);
    EXPECT_EQ(Escaped(list.Text()), Escaped(c.read_back)) << c.name;
    EXPECT_EQ(list.Count(), c.count) << c.name;
    LineList taken_over;
    taken_over.SetText(std::string(c.text));
    EXPECT_EQ(Escaped(taken_over.Text()), Escaped(c.read_back)) << c.name << " (moved in)";
    EXPECT_EQ(taken_over.Count(), c.count) << c.name << " (moved in)";
  }
}

TEST(LineListTest, AppendTextEqualsSettingTheJoinedText) {
  const std::string pieces[] = {"", "a", "b\r", "\nc", "\r\n", std::string("x\0y", 3), "z\n\n"};
  for (const auto& first : pieces) {
    for (const auto& second : pieces) {
      LineList appended(first);
      appended.AppendText(second);
      LineList joined(LineList(first).Text() + second);
      EXPECT_EQ(Escaped(appended.Text()), Escaped(joined.Text()))
          << Escaped(first) << " + " << Escaped(second);
      EXPECT_EQ(appended.Count(), joined.Count());
    }
  }
}

}  // namespace
}  // namespace trelka
