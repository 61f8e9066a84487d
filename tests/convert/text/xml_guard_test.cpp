#include "text/xml_guard.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "test_support.h"

namespace trelka {
namespace {

using testing::Escaped;

TEST(XmlGuardTest, Rules) {
  struct Case {
    const char* name;
    std::string text;
    XmlContext context;
    std::string expected;
  } cases[] = {
      {"plain text passes", "Ёлка 55.7 [TR1]", XmlContext::kElement, "Ёлка 55.7 [TR1]"},
      {"tab, LF and CR stay", "a\tb\nc\rd", XmlContext::kElement, "a\tb\nc\rd"},
      {"NUL and controls go",
       std::string("a\0b\x01\x08\x0B\x0C\x0E\x1F"
                   "c",
                   10),
       XmlContext::kElement, "abc"},
      {"tag becomes text", "<b>x</b>", XmlContext::kElement, "&#60;b>x&#60;/b>"},
      {"bare ampersand", "A & B", XmlContext::kElement, "A &#38; B"},
      {"numeric references stay", "&#160;&#x41;&#38;", XmlContext::kElement, "&#160;&#x41;&#38;"},
      {"reference to a forbidden character", "&#0;&#x1;&#55296;", XmlContext::kElement,
       "&#38;#0;&#38;#x1;&#38;#55296;"},
      {"reference out of range", "&#99999999999;", XmlContext::kElement, "&#38;#99999999999;"},
      {"capital X is no hex reference", "&#X41;", XmlContext::kElement, "&#38;#X41;"},
      {"reference without semicolon", "&#160 x", XmlContext::kElement, "&#38;#160 x"},
      {"empty reference", "&#;&#x;", XmlContext::kElement, "&#38;#;&#38;#x;"},
      {"predefined entities stay", "&amp;&lt;&gt;&quot;&apos;", XmlContext::kElement,
       "&amp;&lt;&gt;&quot;&apos;"},
      {"other named entities", "&nbsp;&copy;", XmlContext::kElement, "&#38;nbsp;&#38;copy;"},
      {"ampersand at the end", "x&", XmlContext::kElement, "x&#38;"},
      {"CDATA end", "a]]>b]>c>", XmlContext::kElement, "a]]&#62;b]>c>"},
      {"quote in element stays", "say \"hi\"", XmlContext::kElement, "say \"hi\""},
      {"quote in attribute", "5\"5", XmlContext::kAttribute, "5&#34;5"},
      {"controls go before ampersands are judged", std::string("&\x01#65;", 6),
       XmlContext::kElement, "&#65;"},
      {"empty", "", XmlContext::kElement, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Escaped(XmlGuard(c.text, c.context)), Escaped(c.expected)) << c.name;
  }
}

// The guard looks eight bytes at a time: each byte it acts on, at every place of a word and in
// the bytes after the last whole word, does what the rules above say.
TEST(XmlGuardTest, EveryPlaceInAWord) {
  const struct {
    std::string special;
    std::string guarded;
  } cases[] = {{"<", "&#60;"},   {"&", "&#38;"},  {"&#65;", "&#65;"}, {"]]>", "]]&#62;"},
               {"\"", "&#34;"},  {"\x01", ""},    {"\x1F", ""},       {"\t", "\t"},
               {"\x7F", "\x7F"}, {"\xC0", "\xC0"}};
  for (const auto& c : cases) {
    for (std::size_t at = 0; at <= 20; ++at) {
      const std::string before(at, 'a'), after(20 - at, 'b');
      EXPECT_EQ(Escaped(XmlGuard(before + c.special + after, XmlContext::kAttribute)),
                Escaped(before + c.guarded + after))
          << Escaped(c.special) << " at " << at;
    }
  }
}

// In an element the double quote needs no look, so the guard's word test differs there.
TEST(XmlGuardTest, EveryPlaceInAWordOfAnElement) {
  const struct {
    std::string special;
    std::string guarded;
  } cases[] = {{"<", "&#60;"}, {"&", "&#38;"}, {"&amp;", "&amp;"}, {"]]>", "]]&#62;"},
               {"\"", "\""},   {"\x01", ""},   {"\r", "\r"},       {"\xA6", "\xA6"}};
  for (const auto& c : cases) {
    for (std::size_t at = 0; at <= 20; ++at) {
      const std::string before(at, 'a'), after(20 - at, 'b');
      EXPECT_EQ(Escaped(XmlGuard(before + c.special + after, XmlContext::kElement)),
                Escaped(before + c.guarded + after))
          << Escaped(c.special) << " at " << at;
    }
  }
}

TEST(XmlGuardTest, GuardedTextIsAFixedPoint) {
  std::mt19937 random(7);
  const std::string alphabet = std::string("<>&#;x0123456789abf]\"'\t\r\n\x01\xC0 ", 26) + '\0';
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 24);
    for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    const std::string once = XmlGuard(text, XmlContext::kAttribute);
    EXPECT_EQ(XmlGuard(once, XmlContext::kAttribute), once) << Escaped(text);
  }
}

}  // namespace
}  // namespace trelka
