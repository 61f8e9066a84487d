#include "page_extraction.h"

#include <cstring>
#include <string>

#include "clean_up.h"
#include "codepage.h"
#include "platform/byte_search.h"
#include "text_primitives.h"

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
  void CutBefore(std::string_view marker) { DropFront(Find(marker) - 1); }

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
  [[nodiscard]] TextPos Length() const { return static_cast<TextPos>(rest_.size()); }

  std::string_view rest_;
};

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

  const TextPos bold = p.Find("<p><b>");
  if (bold == 0) return std::nullopt;
  p.DropFront(bold + 5);

  record.name = AmpersandEscape(p.Front(p.Find("</b>") - 1));

  // The profile link: up to its "p" of "profile", then through its ">" and one character
  // more (the quotation mark that opens the name), and the name ends one before "</a>".
  p.DropFront(p.Find(R"(<b><a href="profile)") + 12);
  p.DropFront(p.Find(">") + 1);
  record.author = AmpersandEscape(p.Front(p.Find("</a>") - 2));

  // The code is the parenthesised part's second word, less the closing parenthesis.
  p.DropFront(p.Find("("));
  p.DropFront(p.Find(" "));
  record.code = " [";
  record.code.append(p.Front(p.Find("</i>") - 2)).append("]");

  p.CutBefore(m.created);
  TextPos end = p.Find(m.coordinates);
  record.created = Block(p.Front(end - 1), end);

  p.CutBefore(m.country);
  end = p.Find(m.accessibility_colon);
  record.country = Block(p.Front(end - 1), end);

  // The grades stand five characters after their words.
  p.DropFront(p.Find(m.accessibility) + 15);
  record.difficulty = p.FirstCharacter();
  p.DropFront(p.Find(m.terrain) + 13);
  record.terrain = p.FirstCharacter();

  // Cutting before a marker just found needs no second search for it.
  const TextPos attributes = p.Find(m.attributes);
  if (attributes != 0) {
    p.DropFront(attributes - 1);
    end = p.Find(m.cache_description);
    record.attributes = Block(p.Front(end - 1), end);
  }

  // The heading and what follows it up to the text; each description ends 10 characters
  // before the next heading.
  p.DropFront(p.Find(m.cache_description) + 30);
  end = p.Find(m.surroundings);
  record.short_description = Description(p.Front(end - 11), end);

  if (include_terrain) {
    p.DropFront(end - 1);  // before the heading "end" found
    end = p.Find(m.contents);
    record.long_description = Description(p.Front(end - 11), end);
  }
  return record;
}

}  // namespace trelka
