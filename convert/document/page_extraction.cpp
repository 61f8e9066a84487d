#include "document/page_extraction.h"

#include <cstring>
#include <string>

#include "platform/byte_search.h"
#include "text/clean_up.h"
#include "text/codepage.h"
#include "text/text_primitives.h"

namespace trelka {

namespace {

// The first occurrence of a non-empty marker in text, as Pos finds it but with npos for none.
// Searching by the marker's first byte with memchr is fastest where that byte is rare; where it
// keeps turning up without the rest of the marker behind it (a run of "<" before "</a>"),
// memmem's skipping takes over for the rest of the text.
std::size_t FindMarker(std::string_view text, std::string_view marker) {
  constexpr std::size_t kFalseStartsPerLook = 64;
  constexpr std::size_t kDenseGap = 16;  // bytes per false start below which memmem is faster
  if (marker.size() > text.size()) return std::string_view::npos;
  const char* const begin = text.data();
  const std::size_t last_start = text.size() - marker.size();
  std::size_t from = 0, false_starts = 0, looked_at = 0;
  while (from <= last_start) {
    const auto* hit =
        static_cast<const char*>(std::memchr(begin + from, marker.front(), last_start - from + 1));
    if (hit == nullptr) break;
    const auto at = static_cast<std::size_t>(hit - begin);
    if (text.compare(at, marker.size(), marker) == 0) return at;
    from = at + 1;
    if (++false_starts % kFalseStartsPerLook != 0) continue;
    if (from - looked_at < kFalseStartsPerLook * kDenseGap) {
      const std::size_t found = FindBytes(text.substr(from), marker);
      return found == std::string_view::npos ? found : from + found;
    }
    looked_at = from;
  }
  return std::string_view::npos;
}

// The page as the cuts see it: what is left after deleting from the front, kept as an offset
// into the page so that no cut moves the page's bytes. Positions and counts follow the text
// primitives: 1-based, 0 for an absent marker, out-of-range counts clamped.
class PageRest {
 public:
  explicit PageRest(std::string_view page) : rest_(page) {}

  // Pos(marker, P).
  [[nodiscard]] TextPos Find(std::string_view marker) const {
    const std::size_t found = FindMarker(rest_, marker);
    return found == std::string_view::npos ? 0 : static_cast<TextPos>(found) + 1;
  }

  // Delete(P, 1, count).
  void DropFront(TextPos count) {
    if (count <= 0) return;
    rest_.remove_prefix(count < Length() ? static_cast<std::size_t>(count) : rest_.size());
  }

  // Delete(P, 1, Pos(marker, P) - 1): leaves the marker at the front, or nothing when absent.
  void CutBefore(std::string_view marker) { CutBefore(Find(marker)); }

  // As CutBefore, for a marker found at found: no second search for it.
  void CutBefore(TextPos found) { DropFront(found - 1); }

  // Drops everything through the marker found at found, and then gap characters more (fewer
  // for a negative gap). An absent marker's 0 takes part in the sum all the same.
  void DropThrough(TextPos found, std::string_view marker, TextPos gap = 0) {
    DropFront(found + Length(marker) - 1 + gap);
  }

  // What stands before the marker found at found, less its last short_by characters.
  [[nodiscard]] std::string_view Before(TextPos found, TextPos short_by = 0) const {
    return Front(found - 1 - short_by);
  }

  // Copy(P, 1, count).
  [[nodiscard]] std::string_view Front(TextPos count) const {
    if (count <= 0) return {};
    return rest_.substr(0, count < Length() ? static_cast<std::size_t>(count) : rest_.size());
  }

  // Copy(P, 1, 1).
  [[nodiscard]] std::string FirstCharacter() const {
    return rest_.empty() ? std::string() : std::string(1, rest_.front());
  }

 private:
  [[nodiscard]] TextPos Length() const { return Length(rest_); }
  [[nodiscard]] static TextPos Length(std::string_view text) {
    return static_cast<TextPos>(text.size());
  }

  std::string_view rest_;
};

constexpr std::string_view kTitle = "<p><b>";
constexpr std::string_view kTitleEnd = "</b>";
constexpr std::string_view kProfileLink = R"(<b><a href="profile)";
// The link is dropped only up to its "p" of "profile": these characters of it stay.
constexpr auto kProfileLinkLeft = static_cast<TextPos>(std::string_view("rofile").size());
constexpr std::string_view kTagEnd = ">";
// The quotation marks around the author's name, one character each side.
constexpr TextPos kNameQuote = 1;
constexpr std::string_view kLinkEnd = "</a>";
constexpr std::string_view kCodeOpen = "(";
constexpr std::string_view kCodeWordEnd = " ";
constexpr std::string_view kCodeEnd = "</i>";
constexpr TextPos kCodeClose = 1;  // the closing parenthesis before kCodeEnd
// Characters between a grade's word and the grade.
constexpr TextPos kGradeGap = 5;
// Characters between the cache description's heading and its text.
constexpr TextPos kDescriptionGap = 15;
// Characters between a description's text and the next heading.
constexpr TextPos kHeadingGap = 10;

struct Markers {
  std::string created = Utf8ToCp1251("Создан:");
  std::string coordinates = Utf8ToCp1251("Координаты");
  std::string country = Utf8ToCp1251("Страна:");
  std::string accessibility_colon = Utf8ToCp1251("Доступность:");
  std::string accessibility = Utf8ToCp1251("Доступность");
  std::string terrain = Utf8ToCp1251("Местность");
  std::string attributes = Utf8ToCp1251("Атрибуты");
  std::string cache_description = Utf8ToCp1251("Описание тайника");
  std::string surroundings = Utf8ToCp1251("Описание окружающей местности");
  std::string contents = Utf8ToCp1251("Содержимое тайника");
};

const Markers& PageMarkers() {
  static const Markers kMarkers;
  return kMarkers;
}

// An information block: the tags become spaces only when its end marker was found.
std::string Block(std::string_view text, TextPos end) {
  return end != 0 ? TagToNbsp(text) : std::string(text);
}

// A description: the tags go only when its end marker was found; then the entities and the
// ampersands, in one copy. The tag-stripped text goes as soon as that copy has read it.
std::string Description(std::string_view text, TextPos end) {
  return end != 0 ? EntityTableThenAmpersandEscape(TagStrip(text))
                  : EntityTableThenAmpersandEscape(text);
}

}  // namespace

std::optional<CacheRecord> Extract(std::string_view page, bool include_terrain) {
  const Markers& m = PageMarkers();
  PageRest p(page);
  CacheRecord record;

  const TextPos title = p.Find(kTitle);
  if (title == 0) return std::nullopt;
  p.DropThrough(title, kTitle);

  record.name = AmpersandEscape(p.Before(p.Find(kTitleEnd)));

  // The profile link: up to its "p" of "profile", then through its ">" and the quotation mark
  // that opens the name, and the name ends before the one that closes it.
  p.DropThrough(p.Find(kProfileLink), kProfileLink, -kProfileLinkLeft);
  p.DropThrough(p.Find(kTagEnd), kTagEnd, kNameQuote);
  record.author = AmpersandEscape(p.Before(p.Find(kLinkEnd), kNameQuote));

  // The code is the parenthesised part's second word, less the closing parenthesis.
  p.DropThrough(p.Find(kCodeOpen), kCodeOpen);
  p.DropThrough(p.Find(kCodeWordEnd), kCodeWordEnd);
  record.code = " [";
  record.code.append(p.Before(p.Find(kCodeEnd), kCodeClose)).append("]");

  p.CutBefore(m.created);
  TextPos end = p.Find(m.coordinates);
  record.created = Block(p.Before(end), end);

  p.CutBefore(m.country);
  end = p.Find(m.accessibility_colon);
  record.country = Block(p.Before(end), end);

  p.DropThrough(p.Find(m.accessibility), m.accessibility, kGradeGap);
  record.difficulty = p.FirstCharacter();
  p.DropThrough(p.Find(m.terrain), m.terrain, kGradeGap);
  record.terrain = p.FirstCharacter();

  const TextPos attributes = p.Find(m.attributes);
  if (attributes != 0) {
    p.CutBefore(attributes);
    end = p.Find(m.cache_description);
    record.attributes = Block(p.Before(end), end);
  }

  p.DropThrough(p.Find(m.cache_description), m.cache_description, kDescriptionGap);
  end = p.Find(m.surroundings);
  record.short_description = Description(p.Before(end, kHeadingGap), end);

  if (include_terrain) {
    p.CutBefore(end);  // the heading that ended the short description
    end = p.Find(m.contents);
    record.long_description = Description(p.Before(end, kHeadingGap), end);
  }
  return record;
}

}  // namespace trelka
