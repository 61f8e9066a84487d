#include "faithful_clean_up.h"

#include "text/codepage.h"
#include "text/text_primitives.h"

namespace trelka::faithful {

namespace {

TextPos Length(std::string_view s) { return static_cast<TextPos>(s.size()); }

void ReplaceTags(std::string& text, std::string_view replacement) {
  for (;;) {
    const TextPos lt = Pos("<", text);
    const TextPos gt = Pos(">", text);
    if (lt == 0) return;
    if (gt == 0) {  // a split tag: it and everything after it go
      Delete(text, lt, Length(text));
      return;
    }
    if (gt > lt) {
      Delete(text, lt, gt - lt + 1);
      Insert(replacement, text, lt);
    } else {
      Delete(text, gt, 1);
    }
  }
}

void Row(std::string& text, std::string_view search, TextPos offset, TextPos count,
         std::string_view replacement) {
  TextPos f;
  do {
    f = Pos(search, text);
    const TextPos s = f + offset;
    Delete(text, s, count);
    if (f != 0) Insert(replacement, text, s);
  } while (f != 0);
}

}  // namespace

void TagToNbsp(std::string& text) { ReplaceTags(text, "&#160;"); }

void TagStrip(std::string& text) { ReplaceTags(text, ""); }

void EntityTable(std::string& text) {
  static const std::string kDegree = Utf8ToCp1251("°");
  Row(text, "&nbsp", 0, 6, " ");
  Row(text, "dash", -2, 7, "-");
  Row(text, "&times;", 0, 7, "*");
  Row(text, "&laquo", 0, 7, "\"");
  Row(text, "&raquo", 0, 7, "\"");
  Row(text, "&deg", 0, 5, kDegree);
  Row(text, "aquo;", -3, 8, "\"");
  Row(text, "quo;", -3, 7, "\"");
  Row(text, "&gt;", 0, 4, "&#62;");
  Row(text, "&hellip;", 0, 8, "...");
  Row(text, "&prime;", 0, 7, "*");
  Row(text, "&amp;", 0, 5, "+");
  Row(text, "&ordm;", 0, 6, kDegree);
  Row(text, "&acute;", 0, 7, "*");
}

std::string AmpersandEscape(std::string_view text) {
  std::string rest(text);
  std::string result;
  for (;;) {
    const TextPos amp = Pos("&", rest);
    if (amp == 0) return result + rest;
    result += Copy(rest, 1, amp - 1);
    result += Copy(rest, amp + 1, 1) == "#" ? "&" : "&#38;";
    Delete(rest, 1, amp);
  }
}

}  // namespace trelka::faithful
