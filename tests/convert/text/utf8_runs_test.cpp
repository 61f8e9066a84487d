#include "text/utf8_runs.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/codepage.h"

namespace trelka {
namespace {

std::string Converted(char* (*convert)(const char*, const char*, char*), const std::string& in) {
  std::vector<char> out(3 * in.size() + 1);
  char* const end = convert(in.data(), in.data() + in.size(), out.data());
  return std::string(out.data(), end);
}

std::string ByteByByte(const std::string& in) {
  std::string out;
  for (const char c : in) {
    const Utf8Character& character = Cp1251Utf8Table()[static_cast<unsigned char>(c)];
    out.append(character.bytes.data(), character.length);
  }
  return out;
}

// Whatever side the processor gets, and the table word by word, agree with the table byte by
// byte: on texts of each kind the fast side treats apart, at every length around its blocks.
TEST(Utf8RunsTest, EverySideAgreesWithTheTableByteByByte) {
  struct Kind {
    const char* name;
    std::string alphabet;
  } kinds[] = {
      {"ASCII", "ab .,"},
      {"ASCII and А-я", std::string("a \xC0\xCF\xE0\xEF\xF0\xFF", 8)},
      {"А-я only", std::string("\xC0\xEF\xF0\xFF", 4)},
      {"with Ё, ё and punctuation of 80-BF", std::string("a \xC0\xFF\xA8\xB8\x97\xAB\x80\xBF", 10)},
  };
  std::mt19937 random(11);
  for (const Kind& kind : kinds) {
    for (std::size_t length = 0; length <= 70; ++length) {
      for (int round = 0; round < 20; ++round) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
          text += kind.alphabet[random() % kind.alphabet.size()];
        const std::string expected = ByteByByte(text);
        EXPECT_EQ(Converted(Cp1251RunToUtf8, text), expected) << kind.name << ", " << length;
        EXPECT_EQ(Converted(Cp1251RunToUtf8ByTable, text), expected) << kind.name << ", " << length;
      }
    }
  }
  std::string every_byte;
  for (int c = 1; c < 256; ++c) every_byte += static_cast<char>(c);
  for (std::size_t from = 0; from < 16; ++from) {
    const std::string text = every_byte.substr(from) + every_byte.substr(0, from);
    EXPECT_EQ(Converted(Cp1251RunToUtf8, text), ByteByByte(text)) << "every byte from " << from;
  }
}

}  // namespace
}  // namespace trelka
