#include "text/utf8_runs.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "text/codepage.h"

namespace trelka {
namespace {

// The UTF-8 a conversion wrote, and where in text it stopped.
std::pair<std::string, std::size_t> Converted(Utf8Run (*convert)(const char*, const char*,
                                                                 const ByteStops&, char*),
                                              const std::string& text, const ByteStops& stops) {
  std::vector<char> out(3 * text.size() + 1);
  const Utf8Run run = convert(text.data(), text.data() + text.size(), stops, out.data());
  return {std::string(out.data(), run.out), static_cast<std::size_t>(run.in - text.data())};
}

std::string ByteByByte(const std::string& in) {
  std::string out;
  for (const char c : in) {
    const Utf8Character& character = Cp1251Utf8Table()[static_cast<unsigned char>(c)];
    out.append(character.bytes.data(), character.length);
  }
  return out;
}

constexpr ByteStops kNoStops = {1, {'\0', '\0', '\0', '\0'}};

// Whatever side the processor gets, and the table word by word, agree with the table byte by
// byte up to the first stop: on texts of each kind the fast side treats apart, at every length
// around its blocks.
TEST(Utf8RunsTest, EverySideAgreesWithTheTableByteByByte) {
  struct Kind {
    const char* name;
    std::string alphabet;
    ByteStops stops = kNoStops;
  } kinds[] = {
      {"ASCII", "ab .,"},
      {"ASCII and А-я", std::string("a \xC0\xCF\xE0\xEF\xF0\xFF", 8)},
      {"А-я only", std::string("\xC0\xEF\xF0\xFF", 4)},
      {"with Ё, ё and punctuation of 80-BF", std::string("a \xC0\xFF\xA8\xB8\x97\xAB\x80\xBF", 10)},
      {"letters and rare stops",
       std::string("a \xC0\xFF\xC1\xF1"
                   "bcdefgh<",
                   14),
       {0x20, {'<', '<', '<', '<'}}},
      {"stops below a bound and of four kinds",
       std::string("a\xC0\xFF\xB8\x1F\x01<>&\"", 10),
       {0x20, {'<', '>', '&', '"'}}},
  };
  std::mt19937 random(11);
  for (const Kind& kind : kinds) {
    for (std::size_t length = 0; length <= 70; ++length) {
      for (int round = 0; round < 20; ++round) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
          text += kind.alphabet[random() % kind.alphabet.size()];
        const std::size_t stop = NextStop(text, 0, kind.stops);
        const std::pair expected{ByteByByte(text.substr(0, stop)), stop};
        EXPECT_EQ(Converted(Cp1251ToUtf8UntilStop, text, kind.stops), expected)
            << kind.name << ", " << length;
        EXPECT_EQ(Converted(Cp1251ToUtf8UntilStopByTable, text, kind.stops), expected)
            << kind.name << ", " << length;
      }
    }
  }
  std::string every_byte;
  for (int c = 1; c < 256; ++c) every_byte += static_cast<char>(c);
  for (std::size_t from = 0; from < 16; ++from) {
    const std::string text = every_byte.substr(from) + every_byte.substr(0, from);
    EXPECT_EQ(Converted(Cp1251ToUtf8UntilStop, text, kNoStops),
              std::pair(ByteByByte(text), text.size()))
        << "every byte from " << from;
  }
}

// A stop is every byte below the bound and each byte named, whatever else the text holds.
TEST(Utf8RunsTest, NextStopFindsEachKindOfStop) {
  const ByteStops guard = {0x20, {'<', '>', '&', '"'}};
  const struct {
    std::string text;
    std::size_t from, stop;
  } cases[] = {
      {"", 0, 0},
      {"plain text of more than sixteen bytes", 0, 37},
      {std::string(40, '\xFF') + "\x1F", 0, 40},
      {"ab\"cd", 0, 2},
      {"a<b>c", 2, 3},
      {"\t", 0, 0},
      {"1234567&9abc", 0, 7},
      {"1234\x01"
       "6789",
       0, 4},
      {std::string(20, 'x') + "&" + std::string(20, 'x'), 0, 20},
      {std::string(20, 'x') + "&" + std::string(20, 'x') + ">", 21, 41},
      {"\x20\x7F\x80", 0, 3},
  };
  for (const auto& c : cases) EXPECT_EQ(NextStop(c.text, c.from, guard), c.stop) << c.text;
  // The nibble tables a processor's shuffle reads say the same of every byte.
  for (const ByteStops& stops : {guard, kNoStops, ByteStops(0x80, {'\0', '\0', '\0', '\0'})}) {
    for (unsigned b = 0; b < 256; ++b) {
      EXPECT_EQ((stops.LowClasses()[b & 0xF] & stops.HighClasses()[b >> 4]) != 0,
                stops.IsStop(static_cast<char>(b)))
          << b;
    }
  }
}

}  // namespace
}  // namespace trelka
