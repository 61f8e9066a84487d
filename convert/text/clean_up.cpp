#include "text/clean_up.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <utility>

#include "text/text_primitives.h"

namespace trelka {

namespace {

constexpr auto kNone = std::string_view::npos;

// Both tag passes. What is already written out holds neither "<" nor ">", so the first "<"
// and the first ">" of the text at any moment are the next ones in what is left to read. The
// next ">" is kept at hand: it is either one before the next tag, to be dropped, or the tag's
// end.
std::string ReplaceTags(std::string_view text, std::string_view replacement) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  std::size_t gt = text.find('>');
  for (std::size_t lt; (lt = text.find('<', i)) != kNone; i = gt + 1, gt = text.find('>', i)) {
    for (; gt < lt; i = gt + 1, gt = text.find('>', i)) out.append(text.substr(i, gt - i));
    out.append(text.substr(i, lt - i));
    if (gt == kNone) return out;  // a split tag: drop it and everything after it
    out.append(replacement);
  }
  out.append(text.substr(i));  // no tag left: any ">" stays
  return out;
}

// Appends text with every "&" not immediately followed by "#" in it written as "&#38;".
void AppendAmpersandEscaped(std::string& out, std::string_view text) {
  constexpr std::string_view kEscaped = "&#38;";
  std::size_t i = 0;
  for (std::size_t amp; (amp = text.find('&', i)) != kNone; i = amp + 1) {
    const std::string_view piece = amp + 1 < text.size() && text[amp + 1] == '#' ? "&" : kEscaped;
    if (out.size() + (amp - i) + piece.size() > out.capacity()) {
      // A text dense in "&": room for all that is left, every "&" of it escaped, so that the
      // output is copied to a larger place once rather than each time it doubles.
      std::size_t left = text.size() - i;
      for (std::size_t a = amp; a != kNone; a = text.find('&', a + 1)) left += kEscaped.size() - 1;
      out.reserve(out.size() + left);
    }
    out.append(text.substr(i, amp - i)).append(piece);
  }
  out.append(text.substr(i));
}

// "°" in windows-1251.
constexpr std::string_view kDegree = "\xB0";

// What the one-copy scan looks for: every search text holds one of these.
constexpr std::array<std::string_view, 3> kAnchors = {"&", "dash", "quo;"};
enum Anchor : std::uint8_t { kAmpersand, kDash, kQuo };

struct EntityRow {
  std::string_view search;
  TextPos offset;  // from the found position to the first character deleted
  TextPos count;   // characters deleted
  std::string_view replacement;
  Anchor anchor;      // the anchor the row's occurrences are found by
  TextPos anchor_at;  // where that anchor stands in search
};

constexpr std::array<EntityRow, 14> kRows = {{
    {"&nbsp", 0, 6, " ", kAmpersand, 0},
    {"dash", -2, 7, "-", kDash, 0},
    {"&times;", 0, 7, "*", kAmpersand, 0},
    {"&laquo", 0, 7, "\"", kAmpersand, 0},
    {"&raquo", 0, 7, "\"", kAmpersand, 0},
    {"&deg", 0, 5, kDegree, kAmpersand, 0},
    {"aquo;", -3, 8, "\"", kQuo, 1},
    {"quo;", -3, 7, "\"", kQuo, 0},
    {"&gt;", 0, 4, "&#62;", kAmpersand, 0},
    {"&hellip;", 0, 8, "...", kAmpersand, 0},
    {"&prime;", 0, 7, "*", kAmpersand, 0},
    {"&amp;", 0, 5, "+", kAmpersand, 0},
    {"&ordm;", 0, 6, kDegree, kAmpersand, 0},
    {"&acute;", 0, 7, "*", kAmpersand, 0},
}};

constexpr TextPos Length(std::string_view s) { return static_cast<TextPos>(s.size()); }

// Whether search could stand over some of replacement's characters (and perhaps text on
// either side), each shared character the same.
constexpr bool CanOverlap(std::string_view search, std::string_view replacement) {
  for (TextPos shift = 1 - Length(replacement); shift < Length(search); ++shift) {
    bool agree = true;
    for (TextPos i = std::max<TextPos>(shift, 0);
         i < std::min(Length(search), shift + Length(replacement)); ++i) {
      agree = agree && search[static_cast<std::size_t>(i)] ==
                           replacement[static_cast<std::size_t>(i - shift)];
    }
    if (agree) return true;
  }
  return false;
}

// What the one copy relies on, checked on the table: every replacement is non-empty, so a
// deletion never joins the texts on either side of it; every deletion takes its own search text
// with it; every search text holds its anchor where the row says; and no search text can take
// in a character of its own row's replacement or an earlier row's. So every occurrence the rows
// meet one after the other is one that the scan finds in the text itself.
constexpr bool TableSuitsOneCopy() {
  for (std::size_t r = 0; r < kRows.size(); ++r) {
    const EntityRow& row = kRows[r];
    if (row.replacement.empty() || row.offset > 0 || row.offset + row.count < Length(row.search) ||
        row.search.substr(static_cast<std::size_t>(row.anchor_at), kAnchors[row.anchor].size()) !=
            kAnchors[row.anchor]) {
      return false;
    }
    for (std::size_t later = r; later < kRows.size(); ++later) {
      if (CanOverlap(kRows[later].search, row.replacement)) return false;
    }
  }
  return true;
}
static_assert(TableSuitsOneCopy());

// What writing the text between replacements escaped relies on: the replacements pass
// AmpersandEscape unchanged, and none starts with "#", so that an "&" before one is escaped
// either way.
constexpr bool ReplacementsPassAmpersandEscape() {
  for (const EntityRow& row : kRows) {
    const std::string_view r = row.replacement;
    if (r.front() == '#') return false;
    for (std::size_t i = 0; i < r.size(); ++i) {
      if (r[i] == '&' && (i + 1 == r.size() || r[i + 1] != '#')) return false;
    }
  }
  return true;
}
static_assert(ReplacementsPassAmpersandEscape());

// How the one copy writes the text between the replacements.
enum class Runs { kAsTheyAre, kAmpersandsEscaped };

// The one copy's output: the text up to each replacement, the replacement, and at last the
// rest. Where the runs are escaped, the next "&" of the text is kept at hand, so that the many
// runs without one are copied without a search each.
template <Runs kRuns>
class OneCopyWriter {
 public:
  OneCopyWriter(std::string_view text, std::string& out)
      : text_(text),
        out_(out),
        next_ampersand_(kRuns == Runs::kAmpersandsEscaped ? text.find('&') : kNone) {}

  // The characters [start, end) give way to replacement; start is not before the last end.
  void Replace(std::size_t start, std::size_t end, std::string_view replacement) {
    AppendRun(start);
    out_.append(replacement);
    copied_ = end;
  }

  void Finish() { AppendRun(text_.size()); }

 private:
  void AppendRun(std::size_t to) {
    const std::string_view run = text_.substr(copied_, to - copied_);
    if constexpr (kRuns == Runs::kAmpersandsEscaped) {
      if (next_ampersand_ < copied_) next_ampersand_ = text_.find('&', copied_);
      if (next_ampersand_ < to) {
        AppendAmpersandEscaped(out_, run);
        return;
      }
    }
    out_.append(run);
  }

  std::string_view text_;
  std::string& out_;
  std::size_t copied_ = 0;
  std::size_t next_ampersand_;
};

// For each anchor and the byte after it, the rows that can stand there (a bit each), so that a
// hit is compared with one or two rows rather than all of them.
using RowSet = std::uint16_t;
static_assert(kRows.size() <= 16);
using Candidates = std::array<std::array<RowSet, 256>, kAnchors.size()>;
constexpr Candidates MakeCandidates() {
  Candidates candidates{};
  for (std::size_t r = 0; r < kRows.size(); ++r) {
    const EntityRow& row = kRows[r];
    const auto after = static_cast<std::size_t>(row.anchor_at) + kAnchors[row.anchor].size();
    for (std::size_t byte = 0; byte < 256; ++byte) {
      if (after >= row.search.size() || static_cast<unsigned char>(row.search[after]) == byte) {
        candidates[row.anchor][byte] |= static_cast<RowSet>(1U << r);
      }
    }
  }
  return candidates;
}
constexpr Candidates kCandidates = MakeCandidates();

// How far before its anchor an occurrence's deletion can start.
constexpr TextPos Reach(Anchor anchor) {
  TextPos reach = 0;
  for (const EntityRow& row : kRows) {
    if (row.anchor == anchor) reach = std::max(reach, row.anchor_at - row.offset);
  }
  return reach;
}
constexpr std::array<TextPos, kAnchors.size()> kReach = {Reach(kAmpersand), Reach(kDash),
                                                         Reach(kQuo)};

// One occurrence of a row's search text in the input, with the characters its deletion
// covers: [start, end), cut at the text's end; start is below 0 where the row reaches back
// before the text.
struct Occurrence {
  std::size_t at;
  TextPos start;
  TextPos end;
  std::uint8_t row;
};

// Occurrences whose deletions overlap can interact; a run of them is judged together, and a
// longer run than this goes row by row.
constexpr std::size_t kMaxCluster = 32;
using Cluster = std::array<Occurrence, kMaxCluster>;

// Replays the rows over one cluster in the table's order, as the row-by-row table would meet
// its occurrences: one that lies wholly inside an earlier one's deletion is deleted with it;
// one whose deletion overlaps an earlier one's, or starts before the text, is a case the copy
// does not follow. Otherwise the deletions are disjoint and their replacements are appended
// with the text between them.
template <Runs kRuns>
bool AppendCluster(Cluster& cluster, std::size_t size, OneCopyWriter<kRuns>& out) {
  const auto append = [&](const Occurrence& o) {
    out.Replace(static_cast<std::size_t>(o.start), static_cast<std::size_t>(o.end),
                kRows[o.row].replacement);
  };
  // By far the most common: one occurrence, or one that the table meets first (the lowest
  // row, the first of that row) and whose deletion takes every other's search text with it,
  // as the "&laquo" row does the "aquo;" and "quo;" rows' occurrences inside "&laquo;".
  std::size_t first = 0;
  for (std::size_t i = 1; i < size; ++i) {
    const Occurrence& o = cluster[i];
    if (o.row < cluster[first].row || (o.row == cluster[first].row && o.at < cluster[first].at)) {
      first = i;
    }
  }
  const Occurrence& met_first = cluster[first];
  bool takes_all = met_first.start >= 0;
  for (std::size_t i = 0; i < size && takes_all; ++i) {
    const auto at = static_cast<TextPos>(cluster[i].at);
    takes_all = i == first || (met_first.start <= at &&
                               at + Length(kRows[cluster[i].row].search) <= met_first.end);
  }
  if (takes_all) {
    append(met_first);
    return true;
  }
  if (size == 1) return false;  // its deletion would start before the text
  std::array<std::uint8_t, kMaxCluster> order;
  for (std::size_t i = 0; i < size; ++i) order[i] = static_cast<std::uint8_t>(i);
  const auto table_order = [&](std::uint8_t a, std::uint8_t b) {
    return cluster[a].row != cluster[b].row ? cluster[a].row < cluster[b].row
                                            : cluster[a].at < cluster[b].at;
  };
  std::sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(size), table_order);

  std::size_t kept = 0;  // the kept occurrences, moved to the cluster's front in table order
  for (std::size_t i = 0; i < size; ++i) {
    const Occurrence o = cluster[order[i]];
    const TextPos at = static_cast<TextPos>(o.at);
    const TextPos search_end = at + Length(kRows[o.row].search);
    bool deleted = false, overlaps = false;
    for (std::size_t k = 0; k < kept && !deleted; ++k) {
      const Occurrence& earlier = cluster[order[k]];
      deleted = earlier.start <= at && search_end <= earlier.end;
      overlaps = overlaps || (o.start < earlier.end && earlier.start < o.end);
    }
    if (deleted) continue;
    if (overlaps || o.start < 0) return false;
    order[kept++] = order[i];
  }

  std::sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(kept),
            [&](std::uint8_t a, std::uint8_t b) { return cluster[a].start < cluster[b].start; });
  for (std::size_t k = 0; k < kept; ++k) append(cluster[order[k]]);
  return true;
}

// Whether search stands in text from at, compared byte by byte: the texts are a few bytes, and
// most differ in their second.
bool StandsAt(std::string_view text, TextPos at, std::string_view search) {
  if (at < 0 || at + Length(search) > Length(text)) return false;
  for (std::size_t i = 0; i < search.size(); ++i) {
    if (text[static_cast<std::size_t>(at) + i] != search[i]) return false;
  }
  return true;
}

std::size_t FindAnchor(std::string_view text, std::size_t anchor, std::size_t from) {
  const std::string_view a = kAnchors[anchor];
  return a.size() == 1 ? text.find(a.front(), from) : text.find(a, from);
}

// The whole table in one copy of the text: one scan finds every row's occurrences, in runs
// whose deletions overlap. False, with out unfinished, where the rows could interact in a way
// the copy does not follow.
template <Runs kRuns>
bool SubstituteInOneCopy(std::string_view text, std::string& buffer) {
  OneCopyWriter<kRuns> out(text, buffer);
  std::array<std::size_t, kAnchors.size()> hit;
  for (std::size_t a = 0; a < kAnchors.size(); ++a) hit[a] = FindAnchor(text, a, 0);
  Cluster cluster;
  std::size_t size = 0;
  TextPos cluster_end = 0;
  for (;;) {
    // The anchor found next whose occurrences' deletions may start first.
    std::size_t next = kAnchors.size();
    TextPos earliest = 0;
    for (std::size_t a = 0; a < kAnchors.size(); ++a) {
      if (hit[a] == kNone) continue;
      const TextPos start = static_cast<TextPos>(hit[a]) - kReach[a];
      if (next == kAnchors.size() || start < earliest) {
        next = a;
        earliest = start;
      }
    }
    if (next == kAnchors.size()) break;
    // Nothing still to come can overlap the cluster.
    if (size > 0 && earliest >= cluster_end) {
      if (!AppendCluster(cluster, size, out)) return false;
      size = 0;
    }
    const std::size_t after = hit[next] + kAnchors[next].size();
    const auto byte = static_cast<unsigned char>(after < text.size() ? text[after] : 0);
    for (RowSet rows = kCandidates[next][byte]; rows != 0; rows &= rows - 1) {
      const auto r = static_cast<std::size_t>(std::countr_zero(rows));
      const EntityRow& row = kRows[r];
      const TextPos at = static_cast<TextPos>(hit[next]) - row.anchor_at;
      if (!StandsAt(text, at, row.search)) continue;
      if (size == kMaxCluster) return false;
      const TextPos end = std::min(at + row.offset + row.count, Length(text));
      cluster[size++] = {static_cast<std::size_t>(at), at + row.offset, end,
                         static_cast<std::uint8_t>(r)};
      cluster_end = std::max(cluster_end, end);
    }
    hit[next] = FindAnchor(text, next, hit[next] + 1);
  }
  if (size > 0 && !AppendCluster(cluster, size, out)) return false;
  out.Finish();
  return true;
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

// The table row by row, in two buffers in turn (the second one given), so that the rows do
// not allocate a text each.
std::string EntityTableRowByRow(std::string_view text, std::string&& buffer) {
  std::string next = std::move(buffer);
  std::string result(text);
  for (const EntityRow& row : kRows) {
    if (result.find(row.search) == kNone) continue;  // the row changes nothing
    ApplyRow(result, row, next);
    result.swap(next);
  }
  return result;
}

// Room for the one copy: only "&gt;" makes the text longer, by one character in four.
std::string OneCopyBuffer(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  return out;
}

}  // namespace

std::string TagToNbsp(std::string_view text) { return ReplaceTags(text, "&#160;"); }

std::string TagStrip(std::string_view text) { return ReplaceTags(text, {}); }

std::string EntityTable(std::string_view text) {
  std::string out = OneCopyBuffer(text);
  if (SubstituteInOneCopy<Runs::kAsTheyAre>(text, out)) return out;
  return EntityTableRowByRow(text, std::move(out));
}

std::string EntityTableRowByRow(std::string_view text) {
  return EntityTableRowByRow(text, OneCopyBuffer(text));
}

bool EntityTableInOneCopy(std::string_view text) {
  std::string out;
  return SubstituteInOneCopy<Runs::kAsTheyAre>(text, out);
}

std::string AmpersandEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  AppendAmpersandEscaped(out, text);
  return out;
}

std::string EntityTableThenAmpersandEscape(std::string_view text) {
  std::string out = OneCopyBuffer(text);
  if (SubstituteInOneCopy<Runs::kAmpersandsEscaped>(text, out)) return out;
  return AmpersandEscape(EntityTableRowByRow(text, std::move(out)));
}

}  // namespace trelka
