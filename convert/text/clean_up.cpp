#include "text/clean_up.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <utility>

#include "text/byte_positions.h"
#include "text/cursor_out.h"
#include "text/text_primitives.h"
#include "text/word_scan.h"

namespace trelka {

namespace {

constexpr auto kNone = std::string_view::npos;

// Both tag passes, in one scan over the "<"s and ">"s. What is already written out holds
// neither, so the first "<" and the first ">" of the text at any moment are the next ones in
// what is left to read: inside a tag only a ">" counts, and closes it; outside one a "<" opens
// one, and a ">" is dropped if a "<" follows somewhere. Whether one does is known at the end:
// what follows the last tag is then written again as it stands.
std::string ReplaceTags(std::string_view text, const Piece& replacement) {
  std::string result;
  CursorOut out(result, text, text.size());
  std::size_t copied = 0;
  std::size_t tag = kNone;         // where the open tag starts
  std::size_t after_tags = 0;      // in text, just after the last tag
  std::size_t after_tags_out = 0;  // in out, the same place
  BytePositions<2> brackets(text, {'<', '>'});
  for (std::size_t at = brackets.Next(); at != kNone; at = brackets.Next()) {
    if (tag == kNone) {
      out.Run(copied, at);
      copied = at + 1;
      if (text[at] == '<') tag = at;
    } else if (text[at] == '>') {
      out.Put(replacement);
      copied = after_tags = at + 1;
      after_tags_out = out.Written();
      tag = kNone;
    }
  }
  if (tag == kNone) {
    // No tag left: any ">" after the last one stays.
    out.CutTo(after_tags_out);
    out.Run(after_tags, text.size());
  }  // else a split tag: it and everything after it are dropped
  out.Finish();
  return result;
}

// What AmpersandEscape writes for an "&" not immediately followed by "#".
constexpr std::string_view kEscapedAmpersand = "&#38;";

// Appends text with every "&" not immediately followed by "#" in it written as
// kEscapedAmpersand.
void AppendAmpersandEscaped(std::string& out, std::string_view text) {
  std::size_t i = 0;
  for (std::size_t amp; (amp = text.find('&', i)) != kNone; i = amp + 1) {
    const std::string_view piece =
        amp + 1 < text.size() && text[amp + 1] == '#' ? "&" : kEscapedAmpersand;
    if (out.size() + (amp - i) + piece.size() > out.capacity()) {
      // A text dense in "&": room for all that is left, every "&" of it escaped, so that the
      // output is copied to a larger place once rather than each time it doubles.
      std::size_t left = text.size() - i;
      for (std::size_t a = amp; a != kNone; a = text.find('&', a + 1))
        left += kEscapedAmpersand.size() - 1;
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

constexpr std::array<Piece, kRows.size()> kReplacementPieces = [] {
  std::array<Piece, kRows.size()> pieces{};
  for (std::size_t r = 0; r < kRows.size(); ++r) pieces[r] = Piece(kRows[r].replacement);
  return pieces;
}();
static_assert(std::all_of(kRows.begin(), kRows.end(), [](const EntityRow& row) {
  return row.replacement.size() <= Piece().bytes.size();
}));

// The one copy's output: the text up to each replacement, the replacement, and at last the
// rest. Where the runs are escaped, only a run that may hold an "&" is searched for them.
template <Runs kRuns>
class OneCopyWriter {
 public:
  // Most texts shrink: "&gt;" and escapes are the only growth.
  OneCopyWriter(std::string_view text, std::string& out)
      : text_(text), out_(out, text, text.size()) {}

  // The scan stopped at an "&" at at that it did not replace as a whole entity: it may stand
  // in a run. Every "&" of the text is a stop, so a run from after the last one noted holds
  // none and is copied without a search.
  void NoteAmpersand(std::size_t at) { ampersands_end_ = at + 1; }

  // The characters [start, end) give way to replacement; start is not before the last end.
  void Replace(std::size_t start, std::size_t end, const Piece& replacement) {
    AppendRun(start);
    out_.Put(replacement);
    copied_ = end;
  }

  void Finish() {
    AppendRun(text_.size());
    out_.Finish();
  }

 private:
  // Copies the text from copied_ up to to, each "&" in it not followed there by "#" escaped.
  void AppendRun(std::size_t to) {
    if constexpr (kRuns == Runs::kAmpersandsEscaped) {
      static constexpr Piece kAmpersand("&");
      static constexpr Piece kEscaped(kEscapedAmpersand);
      if (ampersands_end_ > copied_) {
        for (std::size_t amp = text_.find('&', copied_); amp < to; amp = text_.find('&', copied_)) {
          out_.Run(copied_, amp);
          out_.Put(amp + 1 < to && text_[amp + 1] == '#' ? kAmpersand : kEscaped);
          copied_ = amp + 1;
        }
      }
    }
    out_.Run(copied_, to);
    copied_ = to;
  }

  std::string_view text_;
  CursorOut out_;
  std::size_t copied_ = 0;
  std::size_t ampersands_end_ = 0;  // just after the last "&" noted
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

// How far before its anchor an occurrence's deletion can start, at most.
constexpr TextPos MaxReach() {
  TextPos reach = 0;
  for (const EntityRow& row : kRows) reach = std::max(reach, row.anchor_at - row.offset);
  return reach;
}
constexpr TextPos kMaxReach = MaxReach();

// The bytes the scan stops at: each anchor's first.
constexpr std::array<char, kAnchors.size()> kAnchorFronts = {
    kAnchors[kAmpersand].front(), kAnchors[kDash].front(), kAnchors[kQuo].front()};
// The anchor a stop's byte is the first of.
constexpr std::array<std::uint8_t, 256> kAnchorOfFront = [] {
  std::array<std::uint8_t, 256> anchors{};
  for (std::size_t a = 0; a < kAnchorFronts.size(); ++a) {
    anchors[static_cast<unsigned char>(kAnchorFronts[a])] = static_cast<std::uint8_t>(a);
  }
  return anchors;
}();
static_assert(kAnchorFronts[0] != kAnchorFronts[1] && kAnchorFronts[0] != kAnchorFronts[2] &&
              kAnchorFronts[1] != kAnchorFronts[2]);

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

// Replays the rows over one cluster in the table's order, as the row-by-row table would meet
// its occurrences: one that lies wholly inside an earlier one's deletion is deleted with it;
// one whose deletion overlaps an earlier one's, or starts before the text, is a case the copy
// does not follow. Otherwise the deletions are disjoint and their replacements are appended
// with the text between them.
template <Runs kRuns>
bool AppendCluster(const Occurrence* cluster, std::size_t size, OneCopyWriter<kRuns>& out) {
  const auto append = [&](const Occurrence& o) {
    out.Replace(static_cast<std::size_t>(o.start), static_cast<std::size_t>(o.end),
                kReplacementPieces[o.row]);
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

// A search text of up to eight bytes as a word, so that it is compared with the text in one
// go: a comparison byte by byte mispredicts where it stops, once for nearly every entity.
struct WordPattern {
  word_scan::Word bytes = 0;
  word_scan::Word mask = 0;  // the bytes that count
};

constexpr WordPattern PatternOf(std::string_view search) {
  WordPattern pattern;
  for (std::size_t i = 0; i < search.size(); ++i) {
    const std::size_t shift =
        std::endian::native == std::endian::little ? 8 * i : 8 * (sizeof(word_scan::Word) - 1 - i);
    pattern.bytes |= word_scan::Word{static_cast<unsigned char>(search[i])} << shift;
    pattern.mask |= word_scan::Word{0xFF} << shift;
  }
  return pattern;
}

template <std::size_t kSize>
constexpr std::array<WordPattern, kSize> PatternsOf(
    const std::array<std::string_view, kSize>& searches) {
  std::array<WordPattern, kSize> patterns;
  for (std::size_t i = 0; i < kSize; ++i) patterns[i] = PatternOf(searches[i]);
  return patterns;
}

constexpr auto kAnchorPatterns = PatternsOf(kAnchors);
constexpr auto kRowPatterns = [] {
  std::array<std::string_view, kRows.size()> searches;
  for (std::size_t r = 0; r < kRows.size(); ++r) searches[r] = kRows[r].search;
  return PatternsOf(searches);
}();
static_assert(std::all_of(kRows.begin(), kRows.end(), [](const EntityRow& row) {
  return row.search.size() <= sizeof(word_scan::Word);
}));

// Entities as pages write them, each the deletion of one row's occurrence ("&laquo;" of the
// "&laquo" row's) or one that no row touches ("&quot;"). Where one stands alone it is replaced
// at once, in one comparison, rather than by collecting the occurrences of the rows inside it
// ("aquo;", "quo;") into a cluster: most of a page's stops are whole entities, and each
// cluster costs several branches that no predictor can learn.
constexpr std::array<std::string_view, 14> kWholeEntityTexts = {
    "&nbsp;", "&mdash;",  "&ndash;", "&times;", "&laquo;", "&raquo;", "&deg;",
    "&gt;",   "&hellip;", "&prime;", "&amp;",   "&ordm;",  "&acute;", "&quot;"};

// The row the table meets first among those whose search text stands wholly in text, and
// where; kRows.size() where none does.
constexpr std::pair<std::size_t, TextPos> FirstRowIn(std::string_view text) {
  for (std::size_t r = 0; r < kRows.size(); ++r) {
    const std::size_t at = text.find(kRows[r].search);
    if (at != kNone) return {r, static_cast<TextPos>(at)};
  }
  return {kRows.size(), 0};
}

// Whether row's search text could stand at at over part of text and part of what lies beside
// it, each shared character the same: such an occurrence would join the text to its
// neighbours.
constexpr bool StandsPartlyIn(std::string_view text, const EntityRow& row, TextPos at) {
  const TextPos length = Length(row.search);
  if (at + length <= 0 || at >= Length(text) || (at >= 0 && at + length <= Length(text))) {
    return false;
  }
  for (TextPos i = std::max<TextPos>(0, -at); i < length && at + i < Length(text); ++i) {
    if (text[static_cast<std::size_t>(at + i)] != row.search[static_cast<std::size_t>(i)]) {
      return false;
    }
  }
  return true;
}

// What replacing a whole entity at once relies on: no row stands in it, or it is exactly the
// deletion of the row met first among those that do, so that deletion takes every other one's
// search text with it; no row can stand partly in it; it fits a word; and every "&" row's
// deletion starts at its "&", so that only rows with another anchor reach into an entity from
// behind.
constexpr bool IsWholeEntity(std::string_view text) {
  const auto [first, at] = FirstRowIn(text);
  if (text.size() > sizeof(word_scan::Word) ||
      (first != kRows.size() &&
       (at + kRows[first].offset != 0 || kRows[first].count != Length(text)))) {
    return false;
  }
  for (const EntityRow& row : kRows) {
    if (row.anchor == kAmpersand && row.offset != 0) return false;
    for (TextPos shift = -Length(row.search); shift < Length(text); ++shift) {
      if (StandsPartlyIn(text, row, shift)) return false;
    }
  }
  return true;
}
static_assert(std::all_of(kWholeEntityTexts.begin(), kWholeEntityTexts.end(), IsWholeEntity));

// What the one copy writes for a whole entity that no row touches: the entity as it stands,
// and where the runs are escaped, its "&" escaped as AmpersandEscape would escape it.
constexpr std::array<Piece, 2> KeptForms(std::string_view text) {
  Piece escaped(kEscapedAmpersand);
  for (std::size_t i = 1; i < text.size(); ++i) escaped.bytes[escaped.size++] = text[i];
  return {Piece(text), escaped};
}

struct WholeEntity {
  std::string_view text;
  WordPattern pattern;
  // What the one copy writes in its place, as the runs are written (by Runs): the row's
  // replacement, or for an entity no row touches, the entity itself. The same few bytes
  // either way, so that which kind a page's entity is costs no branch.
  std::array<Piece, 2> replacement;
};

constexpr auto kWholeEntities = [] {
  std::array<WholeEntity, kWholeEntityTexts.size()> wholes{};
  for (std::size_t w = 0; w < wholes.size(); ++w) {
    const std::string_view text = kWholeEntityTexts[w];
    const std::size_t row = FirstRowIn(text).first;
    const std::array<Piece, 2> kept = KeptForms(text);
    wholes[w] = {text, PatternOf(text),
                 row == kRows.size()
                     ? kept
                     : std::array<Piece, 2>{kReplacementPieces[row], kReplacementPieces[row]}};
  }
  return wholes;
}();
static_assert(std::all_of(kWholeEntityTexts.begin(), kWholeEntityTexts.end(), [](auto text) {
  return text[1] != '#' && text.size() - 1 + kEscapedAmpersand.size() <= Piece().bytes.size();
}));

// For the byte after an "&", the whole entities that can stand there.
using WholeSet = std::uint16_t;
static_assert(kWholeEntities.size() <= 16);
constexpr std::array<WholeSet, 256> kWholesByByteAfter = [] {
  std::array<WholeSet, 256> sets{};
  for (std::size_t w = 0; w < kWholeEntities.size(); ++w) {
    sets[static_cast<unsigned char>(kWholeEntities[w].text[1])] |= static_cast<WholeSet>(1U << w);
  }
  return sets;
}();

// The whole entity standing at text[at] == '&', where eight bytes can be read; else null.
const WholeEntity* WholeEntityAt(std::string_view text, std::size_t at) {
  if (text.size() - at < sizeof(word_scan::Word)) return nullptr;
  const word_scan::Word bytes = word_scan::Load(text.data() + at);
  for (WholeSet set = kWholesByByteAfter[static_cast<unsigned char>(text[at + 1])]; set != 0;
       set &= set - 1) {
    const WholeEntity& whole = kWholeEntities[static_cast<std::size_t>(std::countr_zero(set))];
    if (((bytes ^ whole.pattern.bytes) & whole.pattern.mask) == 0) return &whole;
  }
  return nullptr;
}

// Whether search, as pattern, stands in text from at.
bool StandsAt(std::string_view text, TextPos at, std::string_view search,
              const WordPattern& pattern) {
  if (at < 0 || at + Length(search) > Length(text)) return false;
  const auto from = static_cast<std::size_t>(at);
  if (text.size() - from >= sizeof(word_scan::Word)) {
    return ((word_scan::Load(text.data() + from) ^ pattern.bytes) & pattern.mask) == 0;
  }
  return text.substr(from, search.size()) == search;
}

// Occurrences found and not yet written, in the order of their deletions' starts. The scan
// finds them in the order of their anchors, and a deletion can start up to kMaxReach before
// its anchor, so a cluster (a run of occurrences whose deletions overlap) is complete once the
// scan has passed its end by that much.
class PendingOccurrences {
 public:
  // False where there are more at once than a cluster may hold.
  bool Add(const Occurrence& found) {
    if (size_ == kMaxCluster) return false;
    std::size_t i = size_++;
    for (; i > 0 && found.start < pending_[i - 1].start; --i) pending_[i] = pending_[i - 1];
    pending_[i] = found;
    return true;
  }

  [[nodiscard]] bool Empty() const { return size_ == 0; }

  // Whether every occurrence held ends by at.
  [[nodiscard]] bool EndBy(TextPos at) const {
    return std::all_of(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(size_),
                       [at](const Occurrence& o) { return o.end <= at; });
  }

  // Writes every cluster in front that ends by bound, where nothing still to be found can
  // start before bound; false where a cluster is one the copy does not follow.
  template <Runs kRuns>
  bool WriteCompleted(TextPos bound, OneCopyWriter<kRuns>& out) {
    std::size_t done = 0;
    while (done < size_) {
      std::size_t end_of_cluster = done + 1;
      TextPos end = pending_[done].end;
      for (; end_of_cluster < size_ && pending_[end_of_cluster].start < end; ++end_of_cluster) {
        end = std::max(end, pending_[end_of_cluster].end);
      }
      if (end > bound) break;
      if (!AppendCluster(pending_.data() + done, end_of_cluster - done, out)) return false;
      done = end_of_cluster;
    }
    if (done > 0) {
      std::copy(pending_.begin() + static_cast<std::ptrdiff_t>(done),
                pending_.begin() + static_cast<std::ptrdiff_t>(size_), pending_.begin());
      size_ -= done;
    }
    return true;
  }

 private:
  std::array<Occurrence, kMaxCluster> pending_;
  std::size_t size_ = 0;
};

// Whether an occurrence found from end on could reach back before end: one whose anchor is
// not "&" and starts within kMaxReach of it. Near the text's end, byte by byte.
bool ReachedFromBehindNearTheEnd(std::string_view text, std::size_t end) {
  const std::string_view after = text.substr(end, static_cast<std::size_t>(kMaxReach));
  return std::any_of(after.begin(), after.end(),
                     [](char c) { return c == kAnchorFronts[kDash] || c == kAnchorFronts[kQuo]; });
}

inline bool ReachedFromBehind(std::string_view text, std::size_t end) {
  static_assert(kMaxReach <= static_cast<TextPos>(sizeof(word_scan::Word)));
  if (text.size() - end < sizeof(word_scan::Word)) return ReachedFromBehindNearTheEnd(text, end);
  constexpr word_scan::Word kReachable = PatternOf(std::string_view("\0\0\0\0", kMaxReach)).mask;
  const word_scan::Word after = word_scan::Load(text.data() + end) & kReachable;
  return (word_scan::MarkEqual(after, kAnchorFronts[kDash]) |
          word_scan::MarkEqual(after, kAnchorFronts[kQuo])) != 0;
}

// The whole table in one copy of the text: one scan stops at every anchor, finds the rows'
// occurrences there and writes each cluster of them once it is complete. False, with out
// unfinished, where the rows could interact in a way the copy does not follow.
template <Runs kRuns>
bool SubstituteInOneCopy(std::string_view text, std::string& buffer) {
  OneCopyWriter<kRuns> out(text, buffer);
  PendingOccurrences pending;
  BytePositions<kAnchors.size()> stops(text, kAnchorFronts);
  // Stops inside a whole entity just replaced are passed over as they come: clearing them from
  // the scan would make finding the next stop wait for the entity's length.
  std::size_t replaced_end = 0;
  for (std::size_t stop = stops.Next(); stop != kNone; stop = stops.Next()) {
    if (stop < replaced_end) continue;
    const TextPos at_stop = static_cast<TextPos>(stop);
    if (!pending.Empty() && !pending.WriteCompleted(at_stop - kMaxReach, out)) return false;
    const std::size_t anchor = kAnchorOfFront[static_cast<unsigned char>(text[stop])];
    if (anchor == kAmpersand) {
      const WholeEntity* whole = WholeEntityAt(text, stop);
      if (whole != nullptr && (pending.Empty() || pending.EndBy(at_stop)) &&
          !ReachedFromBehind(text, stop + whole->text.size())) {
        // Nothing found before it reaches into it, nothing after it reaches back into it.
        if (!pending.Empty() && !pending.WriteCompleted(at_stop, out)) return false;
        out.Replace(stop, stop + whole->text.size(),
                    whole->replacement[static_cast<std::size_t>(kRuns)]);
        replaced_end = stop + whole->text.size();
        continue;
      }
      out.NoteAmpersand(stop);
    }
    if (!StandsAt(text, at_stop, kAnchors[anchor], kAnchorPatterns[anchor])) continue;
    const std::size_t after = stop + kAnchors[anchor].size();
    const auto byte = static_cast<unsigned char>(after < text.size() ? text[after] : 0);
    for (RowSet rows = kCandidates[anchor][byte]; rows != 0; rows &= rows - 1) {
      const auto r = static_cast<std::size_t>(std::countr_zero(rows));
      const EntityRow& row = kRows[r];
      const TextPos at = at_stop - row.anchor_at;
      if (!StandsAt(text, at, row.search, kRowPatterns[r])) continue;
      const TextPos end = std::min(at + row.offset + row.count, Length(text));
      if (!pending.Add(
              {static_cast<std::size_t>(at), at + row.offset, end, static_cast<std::uint8_t>(r)})) {
        return false;
      }
    }
  }
  if (!pending.WriteCompleted(Length(text), out)) return false;
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

}  // namespace

std::string TagToNbsp(std::string_view text) { return ReplaceTags(text, Piece("&#160;")); }

std::string TagStrip(std::string_view text) { return ReplaceTags(text, Piece()); }

std::string EntityTable(std::string_view text) {
  std::string out;
  if (SubstituteInOneCopy<Runs::kAsTheyAre>(text, out)) return out;
  return EntityTableRowByRow(text, std::move(out));
}

std::string EntityTableRowByRow(std::string_view text) {
  std::string buffer;
  buffer.reserve(text.size() + text.size() / 4);  // only "&gt;" makes the text longer
  return EntityTableRowByRow(text, std::move(buffer));
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
  std::string out;
  if (SubstituteInOneCopy<Runs::kAmpersandsEscaped>(text, out)) return out;
  return AmpersandEscape(EntityTableRowByRow(text, std::move(out)));
}

}  // namespace trelka
