#include "faithful_extraction.h"

#include <string>

#include "faithful_clean_up.h"
#include "text/codepage.h"
#include "text/text_primitives.h"

namespace trelka::faithful {

namespace {

void CutBefore(std::string& p, std::string_view marker) { Delete(p, 1, Pos(marker, p) - 1); }

TextPos Length(std::string_view text) { return static_cast<TextPos>(text.size()); }

// The count that deletes through the marker found at found and gap characters more.
TextPos Through(TextPos found, std::string_view marker, TextPos gap = 0) {
  return found + Length(marker) - 1 + gap;
}

// The count of characters before the marker found at found, less short_by.
TextPos Before(TextPos found, TextPos short_by = 0) { return found - 1 - short_by; }

constexpr std::string_view kTitle = "<p><b>";
constexpr std::string_view kTitleEnd = "</b>";
constexpr std::string_view kProfileLink = R"(<b><a href="profile)";
constexpr auto kProfileLinkLeft = static_cast<TextPos>(std::string_view("rofile").size());
constexpr std::string_view kTagEnd = ">";
constexpr TextPos kNameQuote = 1;
constexpr std::string_view kLinkEnd = "</a>";
constexpr std::string_view kCodeOpen = "(";
constexpr std::string_view kCodeWordEnd = " ";
constexpr std::string_view kCodeEnd = "</i>";
constexpr TextPos kCodeClose = 1;
constexpr TextPos kGradeGap = 5;
constexpr TextPos kDescriptionGap = 15;
constexpr TextPos kHeadingGap = 10;

}  // namespace

std::optional<CacheRecord> Extract(std::string_view page, bool include_terrain) {
  static const std::string kCreated = Utf8ToCp1251("Создан:");
  static const std::string kCoordinates = Utf8ToCp1251("Координаты");
  static const std::string kCountry = Utf8ToCp1251("Страна:");
  static const std::string kAccessibilityColon = Utf8ToCp1251("Доступность:");
  static const std::string kAccessibility = Utf8ToCp1251("Доступность");
  static const std::string kTerrain = Utf8ToCp1251("Местность");
  static const std::string kAttributes = Utf8ToCp1251("Атрибуты");
  static const std::string kCacheDescription = Utf8ToCp1251("Описание тайника");
  static const std::string kSurroundings = Utf8ToCp1251("Описание окружающей местности");
  static const std::string kContents = Utf8ToCp1251("Содержимое тайника");

  std::string p(page);
  CacheRecord r;

  const TextPos m = Pos(kTitle, p);
  if (m == 0) return std::nullopt;
  Delete(p, 1, Through(m, kTitle));

  const TextPos e = Pos(kTitleEnd, p);
  r.name = AmpersandEscape(Copy(p, 1, Before(e)));

  const TextPos q = Pos(kProfileLink, p);
  Delete(p, 1, Through(q, kProfileLink, -kProfileLinkLeft));

  const TextPos gt = Pos(kTagEnd, p);
  Delete(p, 1, Through(gt, kTagEnd, kNameQuote));

  const TextPos a = Pos(kLinkEnd, p);
  r.author = AmpersandEscape(Copy(p, 1, Before(a, kNameQuote)));

  Delete(p, 1, Through(Pos(kCodeOpen, p), kCodeOpen));
  Delete(p, 1, Through(Pos(kCodeWordEnd, p), kCodeWordEnd));

  const TextPos t = Pos(kCodeEnd, p);
  r.code = " [" + Copy(p, 1, Before(t, kCodeClose)) + "]";

  CutBefore(p, kCreated);
  TextPos k = Pos(kCoordinates, p);
  r.created = Copy(p, 1, Before(k));
  if (k != 0) TagToNbsp(r.created);

  CutBefore(p, kCountry);
  k = Pos(kAccessibilityColon, p);
  r.country = Copy(p, 1, Before(k));
  if (k != 0) TagToNbsp(r.country);

  Delete(p, 1, Through(Pos(kAccessibility, p), kAccessibility, kGradeGap));
  r.difficulty = Copy(p, 1, 1);

  Delete(p, 1, Through(Pos(kTerrain, p), kTerrain, kGradeGap));
  r.terrain = Copy(p, 1, 1);

  if (Pos(kAttributes, p) != 0) {
    CutBefore(p, kAttributes);
    const TextPos o = Pos(kCacheDescription, p);
    r.attributes = Copy(p, 1, Before(o));
    if (o != 0) TagToNbsp(r.attributes);
  }

  Delete(p, 1, Through(Pos(kCacheDescription, p), kCacheDescription, kDescriptionGap));
  k = Pos(kSurroundings, p);
  std::string description = Copy(p, 1, Before(k, kHeadingGap));
  if (k != 0) TagStrip(description);
  EntityTable(description);
  r.short_description = AmpersandEscape(description);

  if (include_terrain) {
    CutBefore(p, kSurroundings);
    const TextPos c = Pos(kContents, p);
    std::string terrain_description = Copy(p, 1, Before(c, kHeadingGap));
    if (c != 0) TagStrip(terrain_description);
    EntityTable(terrain_description);
    r.long_description = AmpersandEscape(terrain_description);
  }
  return r;
}

}  // namespace trelka::faithful
