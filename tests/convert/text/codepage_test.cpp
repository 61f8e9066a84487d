#include "text/codepage.h"

#include <gtest/gtest.h>

#include <set>

#include "test_support.h"

namespace trelka {
namespace {

TEST(CodepageTest, KnownCharacters) {
  struct Case {
    std::string cp1251;
    std::string utf8;
  } cases[] = {
      {"\xA8", "\xD0\x81"},              // Ё
      {"\xB0", "\xC2\xB0"},              // °
      {"\xAB\xBB", "\xC2\xAB\xC2\xBB"},  // « »
      {"\xC0\xFF", "\xD0\x90\xD1\x8F"},  // А я
      {"\x98", "\xC2\x98"},              // unassigned: U+0098
      {"\x88", "\xE2\x82\xAC"},          // €
      {std::string("a\0b\r\n", 5), std::string("a\0b\r\n", 5)},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(testing::Escaped(Cp1251ToUtf8(c.cp1251)), testing::Escaped(c.utf8));
  }
}

TEST(CodepageTest, EveryByteMapsToItsOwnCharacterAndBack) {
  std::set<std::string> seen;
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    const std::string utf8 = Cp1251ToUtf8(one);
    EXPECT_FALSE(utf8.empty()) << byte;
    EXPECT_NE(utf8, "\xEF\xBF\xBD") << "byte " << byte << " became U+FFFD";
    EXPECT_TRUE(seen.insert(utf8).second) << "byte " << byte << " shares its character";
    if (byte != 0x98) {
      EXPECT_EQ(Utf8ToCp1251(utf8), one) << byte;
    }
  }
}

TEST(CodepageTest, LongTextsConvertWhole) {
  std::string text;
  for (int i = 0; i < 300000; ++i) text += static_cast<char>(i % 256);
  const std::string utf8 = Cp1251ToUtf8(text);
  EXPECT_EQ(Utf8ToCp1251(utf8).size(), text.size());
  EXPECT_EQ(Utf8ToCp1251("Создан: ё"), "\xD1\xEE\xE7\xE4\xE0\xED: \xB8");
  EXPECT_EQ(Utf8ToCp1251("日"), "?");
}

}  // namespace
}  // namespace trelka
