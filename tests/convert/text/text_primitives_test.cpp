#include "text/text_primitives.h"

#include <gtest/gtest.h>

namespace trelka {
namespace {

TEST(PosTest, FindsFirstOccurrenceOrZero) {
  struct Case {
    const char* sub;
    const char* s;
    TextPos expected;
  } cases[] = {
      {"b", "abcb", 2}, {"abc", "abc", 1}, {"c", "abc", 3}, {"x", "abc", 0},
      {"", "abc", 0},   {"a", "", 0},      {"", "", 0},     {"abcd", "abc", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Pos(c.sub, c.s), c.expected) << c.sub << " in " << c.s;
}

TEST(CopyTest, ClampsIndexAndCount) {
  struct Case {
    TextPos index, count;
    const char* expected;
  } cases[] = {
      {1, 3, "abc"}, {2, 2, "bc"}, {0, 2, "ab"}, {-5, 1, "a"},  {4, 1, "d"},    {5, 1, ""},
      {9, 1, ""},    {2, 0, ""},   {2, -1, ""},  {3, 99, "cd"}, {1, 4, "abcd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Copy("abcd", c.index, c.count), c.expected) << c.index << "," << c.count;
  }
  EXPECT_EQ(Copy("", 1, 5), "");
}

TEST(DeleteTest, IgnoresOutOfRangeAndCutsAtEnd) {
  struct Case {
    TextPos index, count;
    const char* expected;
  } cases[] = {
      {1, 1, "bcd"},   {2, 2, "ad"},   {4, 1, "abc"},  {3, 99, "ab"},   {0, 2, "abcd"},
      {-1, 2, "abcd"}, {5, 1, "abcd"}, {2, 0, "abcd"}, {2, -3, "abcd"}, {1, 4, ""},
  };
  for (const auto& c : cases) {
    std::string s = "abcd";
    Delete(s, c.index, c.count);
    EXPECT_EQ(s, c.expected) << c.index << "," << c.count;
  }
}

TEST(InsertTest, ClampsIndex) {
  struct Case {
    const char* source;
    TextPos index;
    const char* expected;
  } cases[] = {
      {"X", 1, "Xabc"}, {"X", 2, "aXbc"}, {"X", 3, "abXc"},  {"X", 4, "abcX"},
      {"X", 9, "abcX"}, {"X", 0, "Xabc"}, {"X", -4, "Xabc"}, {"", 2, "abc"},
  };
  for (const auto& c : cases) {
    std::string s = "abc";
    Insert(c.source, s, c.index);
    EXPECT_EQ(s, c.expected) << c.source << " at " << c.index;
  }
  std::string empty;
  Insert("X", empty, 5);
  EXPECT_EQ(empty, "X");
}

TEST(EqualsIgnoringCaseTest, OnlyAsciiLettersFold) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"LocalHost", "LOCALHOST", true}, {"https", "HTTPS", true}, {"", "", true},
      {"http", "https", false},         {"\xC0", "\xE0", false},  {"[", "{", false},
  };
  for (const auto& c : cases) EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.equal) << c.a << " " << c.b;
}

}  // namespace
}  // namespace trelka
