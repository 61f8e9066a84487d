#include "clean_up.h"

#include <array>

#include "codepage.h"
#include "text_primitives.h"

namespace trelka {

namespace {

constexpr auto kNone = std::string_view::npos;

// Both tag passes. What is already written out holds neither "<" nor ">", so the first "<"
// and the first ">" of the text at any moment are the next ones in what is left to read.
std::string ReplaceTags(std::string_view text, std::string_view replacement) {
  std::string out;
  out.reserve(text.size());
  const std::size_t last_lt = text.rfind('<');
  std::size_t i = 0;
  while (last_lt != kNone && i <= last_lt) {
    const std::size_t lt = text.find('<', i);
    // Every ">" before the next "<" is dropped.
    for (std::size_t gt; (gt = text.substr(0, lt).find('>', i)) != kNone; i = gt + 1) {
      out.append(text.substr(i, gt - i));
    }
    out.append(text.substr(i, lt - i));
    const std::size_t gt = text.find('>', lt + 1);
    if (gt == kNone) return out;  // a split tag: drop it and everything after it
    out.append(replacement);
    i = gt + 1;
  }
  out.append(text.substr(i));
  return out;
}

struct EntityRow {
  std::string search;
  TextPos offset;  // from the found position to the first character deleted
  TextPos count;   // characters deleted
  std::string replacement;
};

const std::array<EntityRow, 14>& EntityRows() {
  static const std::string kDegree = Utf8ToCp1251("°");
  static const std::array<EntityRow, 14> kRows = {{
      {"&nbsp", 0, 6, " "},
      {"dash", -2, 7, "-"},
      {"&times;", 0, 7, "*"},
      {"&laquo", 0, 7, "\""},
      {"&raquo", 0, 7, "\""},
      {"&deg", 0, 5, kDegree},
      {"aquo;", -3, 8, "\""},
      {"quo;", -3, 7, "\""},
      {"&gt;", 0, 4, "&#62;"},
      {"&hellip;", 0, 8, "..."},
      {"&prime;", 0, 7, "*"},
      {"&amp;", 0, 5, "+"},
      {"&ordm;", 0, 6, kDegree},
      {"&acute;", 0, 7, "*"},
  }};
  return kRows;
}

// One row: every round replaces the first occurrence in the whole text. The text is kept as
// out (finished, holding no occurrence that ends before its last character), pending (text
// that has to be read again, stored back to front) and the unread rest of the input. Every
// occurrence ends with the search text's last character, so reading can copy up to the next
// such character at once and only check there.
void ApplyRow(std::string_view text, const EntityRow& row, std::string& out) {
  const std::string_view search = row.search;
  const std::size_t length = search.size();
  out.clear();
  std::string pending;
  std::size_t next = 0;

  auto push_front = [&pending](std::string_view s) { pending.append(s.rbegin(), s.rend()); };

  for (;;) {
    char c;
    if (!pending.empty()) {
      c = pending.back();
      pending.pop_back();
    } else {
      if (next >= text.size()) break;
      const std::size_t end = text.find(search.back(), next);
      if (end == kNone) {
        out.append(text.substr(next));
        break;
      }
      out.append(text.substr(next, end - next));
      c = text[end];
      next = end + 1;
    }
    out.push_back(c);
    if (c != search.back() || out.size() < length ||
        out.compare(out.size() - length, length, search) != 0) {
      continue;
    }

    const TextPos found = static_cast<TextPos>(out.size() - length) + 1;
    const TextPos start = found + row.offset;
    if (start < 1) {
      // The deletion would start before the text: nothing is deleted and the replacement
      // goes in front, so everything is read again behind it.
      push_front(out);
      push_front(row.replacement);
      out.clear();
      continue;
    }
    // Delete count characters from start: what of them lies in out goes back to the front of
    // the unread text, and the deletion takes its characters from there.
    push_front(std::string_view(out).substr(static_cast<std::size_t>(start - 1)));
    out.resize(static_cast<std::size_t>(start - 1));
    std::size_t remove = static_cast<std::size_t>(row.count);
    const std::size_t from_pending = remove < pending.size() ? remove : pending.size();
    pending.resize(pending.size() - from_pending);
    remove -= from_pending;
    next = remove < text.size() - next ? next + remove : text.size();
    push_front(row.replacement);
  }
}

}  // namespace

std::string TagToNbsp(std::string_view text) { return ReplaceTags(text, "&#160;"); }

std::string TagStrip(std::string_view text) { return ReplaceTags(text, {}); }

std::string EntityTable(std::string_view text) {
  // Two buffers in turn, so that the rows do not allocate a text each.
  std::string result(text);
  std::string next;
  next.reserve(text.size() + text.size() / 4);
  for (const EntityRow& row : EntityRows()) {
    if (result.find(row.search) == kNone) continue;  // the row changes nothing
    ApplyRow(result, row, next);
    result.swap(next);
  }
  return result;
}

std::string AmpersandEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  std::size_t i = 0;
  for (std::size_t amp; (amp = text.find('&', i)) != kNone; i = amp + 1) {
    out.append(text.substr(i, amp - i));
    out.append(amp + 1 < text.size() && text[amp + 1] == '#' ? "&" : "&#38;");
  }
  out.append(text.substr(i));
  return out;
}

}  // namespace trelka
