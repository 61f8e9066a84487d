#include "xml_guard.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
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

// Whether an "&" at the front of text starts a predefined entity or a character reference to a
// character XML allows, read with a pattern rather than digit by digit.
bool KeepsAmpersand(const std::string& text) {
  static const std::regex kEntity("^&(amp|lt|gt|quot|apos);");
  static const std::regex kReference("^&#(x?)([0-9a-fA-F]+);");
  std::smatch m;
  if (std::regex_search(text, kEntity)) return true;
  if (!std::regex_search(text, m, kReference)) return false;
  const bool hex = m[1].length() == 1;
  const std::string digits = m[2].str();
  if (!hex && digits.find_first_not_of("0123456789") != std::string::npos) return false;
  const std::size_t first = digits.find_first_not_of('0');
  const std::string significant = first == std::string::npos ? "0" : digits.substr(first);
  if (significant.size() > 7) return false;
  const unsigned long code = std::stoul(significant, nullptr, hex ? 16 : 10);
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
         (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// The guard's rules one byte after the other, to hold its runs against.
std::string ByteByByte(std::string_view raw, XmlContext context) {
  std::string text;
  for (const char c : raw) {
    if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') text += c;
  }
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '<') {
      out += "&#60;";
    } else if (c == '&') {
      out += KeepsAmpersand(text.substr(i)) ? "&" : "&#38;";
    } else if (c == '>' && i >= 2 && text.compare(i - 2, 2, "]]") == 0) {
      out += "&#62;";
    } else if (c == '"' && context == XmlContext::kAttribute) {
      out += "&#34;";
    } else {
      out += c;
    }
  }
  return out;
}

// Texts of up to 40 bytes, so that the specials fall at every place of an eight-byte word and
// in the bytes after the last whole word.
TEST(XmlGuardTest, AgreesWithByteByByteGuard) {
  std::mt19937 random(11);
  const std::string alphabet =
      std::string("<>&#;x0123456789aAfF]\"'\t\r\n\x01\x1F\x7F\xC0\xFF mplgtquos", 41) + '\0';
  for (int round = 0; round < 100000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 41);
    for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    for (const XmlContext context : {XmlContext::kElement, XmlContext::kAttribute}) {
      ASSERT_EQ(Escaped(XmlGuard(text, context)), Escaped(ByteByByte(text, context)))
          << Escaped(text);
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
