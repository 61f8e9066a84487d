#include "text/clean_up.h"

#include <gtest/gtest.h>

#include <string>

#include "faithful_clean_up.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::Escaped;
using testing::W;

enum class Pass { kTagToNbsp, kTagStrip, kEntityTable, kAmpersandEscape, kTableThenEscape };

struct Case {
  const char* what;
  Pass pass;
  std::string input;
  std::string expected;
};

std::string Repeated(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

std::string Linear(Pass pass, const std::string& text) {
  switch (pass) {
    case Pass::kTagToNbsp:
      return TagToNbsp(text);
    case Pass::kTagStrip:
      return TagStrip(text);
    case Pass::kEntityTable:
      return EntityTable(text);
    case Pass::kAmpersandEscape:
      return AmpersandEscape(text);
    case Pass::kTableThenEscape:
      return EntityTableThenAmpersandEscape(text);
  }
  return {};
}

std::string Faithful(Pass pass, std::string text) {
  switch (pass) {
    case Pass::kTagToNbsp:
      faithful::TagToNbsp(text);
      return text;
    case Pass::kTagStrip:
      faithful::TagStrip(text);
      return text;
    case Pass::kEntityTable:
      faithful::EntityTable(text);
      return text;
    case Pass::kAmpersandEscape:
      return faithful::AmpersandEscape(text);
    case Pass::kTableThenEscape:
      faithful::EntityTable(text);
      return faithful::AmpersandEscape(text);
  }
  return {};
}

// Each case holds both versions to the expected text, so a fault shared by the two shows.
TEST(CleanUpTest, PassesByCase) {
  const std::string degree = W("°");
  const Case cases[] = {
      {"bold word", Pass::kTagToNbsp, "<b>word</b>", "&#160;word&#160;"},
      {"bold word", Pass::kTagStrip, "<b>word</b>", "word"},
      {"> before the first <", Pass::kTagToNbsp, "a > b <i>c</i>", "a  b &#160;c&#160;"},
      {"> before the first <", Pass::kTagStrip, "a > b <i>c</i>", "a  b c"},
      {"> after the last tag stays", Pass::kTagToNbsp, "a<b>c>d", "a&#160;c>d"},
      {"> after the last tag stays", Pass::kTagStrip, "a<b>c>d", "ac>d"},
      {"no < at all", Pass::kTagStrip, "x > y >", "x > y >"},
      {"tag over a line break", Pass::kTagToNbsp, "x<br\r\nclass=y>y\r\n", "x&#160;y\r\n"},
      {"< inside a tag", Pass::kTagToNbsp, "<<b>z", "&#160;z"},
      {"split tag dropped", Pass::kTagToNbsp, "<b>ok</b> then <a hr", "&#160;ok&#160; then "},
      {"stray > after the tags", Pass::kTagStrip, "<b>ok</b> then <a hr>>", "ok then >"},
      {"lone <", Pass::kTagStrip, "before<", "before"},
      {"empty", Pass::kTagToNbsp, "", ""},
      {"empty", Pass::kTagStrip, "", ""},

      {"nbsp", Pass::kEntityTable, "a&nbsp;b", "a b"},
      {"nbsp without ; eats a letter", Pass::kEntityTable, "a&nbspXb", "a b"},
      {"laquo raquo", Pass::kEntityTable, "&laquo;word&raquo;", "\"word\""},
      {"laquo without ;", Pass::kEntityTable, "&laquox", "\""},
      {"mdash", Pass::kEntityTable, "one &mdash; two", "one - two"},
      {"ndash at the start", Pass::kEntityTable, "&ndash;", "-"},
      {"dash in a word", Pass::kEntityTable, "go to the dashboard", "go to th-oard"},
      {"just dash", Pass::kEntityTable, "dash", "-"},
      {"deg", Pass::kEntityTable, "20&deg;C", "20" + degree + "C"},
      {"deg without ;", Pass::kEntityTable, "&degC", degree},
      {"ordm", Pass::kEntityTable, "5&ordm;", "5" + degree},
      {"ldquo rdquo", Pass::kEntityTable, "&ldquo;x&rdquo;", "\"x\""},
      {"lsaquo", Pass::kEntityTable, "a&lsaquo;b", "a\"b"},
      {"quo; at the start", Pass::kEntityTable, "quo;", "\""},
      {"quo; second", Pass::kEntityTable, "xquo;", "\""},
      {"quo; third", Pass::kEntityTable, "abquo;z", "\"z"},
      {"quot untouched", Pass::kEntityTable, "&quot;x&quot;", "&quot;x&quot;"},
      {"gt", Pass::kEntityTable, "a&gt;b", "a&#62;b"},
      {"hellip prime times acute", Pass::kEntityTable, "&hellip;&prime;&times;&acute;", "...***"},
      {"amp", Pass::kEntityTable, "a &amp; b", "a + b"},
      {"rows in order", Pass::kEntityTable, "&amp;gt; &amp;nbsp;", "+gt; +nbsp;"},
      {"others untouched", Pass::kEntityTable, "&copy; &lt; &#160;", "&copy; &lt; &#160;"},
      {"nbsp eats the next nbsp's &", Pass::kEntityTable, "&nbsp&nbsp", " nbsp"},
      {"dash reaching back over a replacement", Pass::kEntityTable, "ab&nbsp;dash", "a-"},
      {"a long run of quotes", Pass::kEntityTable, Repeated("&laquo;", 12), std::string(12, '"')},
      {"empty", Pass::kEntityTable, "", ""},

      {"bare ampersands", Pass::kAmpersandEscape, "A & B & C", "A &#38; B &#38; C"},
      {"numeric reference kept", Pass::kAmpersandEscape, "x&#160;y", "x&#160;y"},
      {"# before &", Pass::kAmpersandEscape, "#1 & co", "#1 &#38; co"},
      {"& at the end", Pass::kAmpersandEscape, "end&", "end&#38;"},
      {"named entity", Pass::kAmpersandEscape, "&amp;&&#", "&#38;amp;&#38;&#"},
      {"empty", Pass::kAmpersandEscape, "", ""},

      {"entities, then bare ampersands", Pass::kTableThenEscape, "&amp;x & y&gt;&#160;&quot;",
       "+x &#38; y&#62;&#160;&#38;quot;"},
      {"& before a replacement", Pass::kTableThenEscape, "a&&nbsp;b&", "a&#38; b&#38;"},
      {"& before a reference", Pass::kTableThenEscape, "&&#35;", "&#38;&#35;"},
      {"row by row", Pass::kTableThenEscape, "&nbsp&nbsp&", " nbsp&#38;"},
      {"empty", Pass::kTableThenEscape, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Escaped(Linear(c.pass, c.input)), Escaped(c.expected)) << c.what;
    EXPECT_EQ(Escaped(Faithful(c.pass, c.input)), Escaped(c.expected)) << c.what << " (faithful)";
  }
}

}  // namespace
}  // namespace trelka
