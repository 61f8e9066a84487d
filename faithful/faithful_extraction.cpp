#include "faithful_extraction.h"

#include <string>

#include "codepage.h"
#include "faithful_clean_up.h"
#include "text_primitives.h"

namespace trelka::faithful {

namespace {

void CutBefore(std::string& p, std::string_view marker) { Delete(p, 1, Pos(marker, p) - 1); }

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

  const TextPos m = Pos("<p><b>", p);
  if (m == 0) return std::nullopt;
  Delete(p, 1, m + 5);

  const TextPos e = Pos("</b>", p);
  r.name = AmpersandEscape(Copy(p, 1, e - 1));

  const TextPos q = Pos(R"(<b><a href="profile)", p);
  Delete(p, 1, q + 12);

  const TextPos gt = Pos(">", p);
  Delete(p, 1, gt + 1);

  const TextPos a = Pos("</a>", p);
  r.author = AmpersandEscape(Copy(p, 1, a - 2));

  Delete(p, 1, Pos("(", p));
  Delete(p, 1, Pos(" ", p));

  const TextPos t = Pos("</i>", p);
  r.code = " [" + Copy(p, 1, t - 2) + "]";

  CutBefore(p, kCreated);
  TextPos k = Pos(kCoordinates, p);
  r.created = Copy(p, 1, k - 1);
  if (k != 0) TagToNbsp(r.created);

  CutBefore(p, kCountry);
  k = Pos(kAccessibilityColon, p);
  r.country = Copy(p, 1, k - 1);
  if (k != 0) TagToNbsp(r.country);

  Delete(p, 1, Pos(kAccessibility, p) + 15);
  r.difficulty = Copy(p, 1, 1);

  Delete(p, 1, Pos(kTerrain, p) + 13);
  r.terrain = Copy(p, 1, 1);

  if (Pos(kAttributes, p) != 0) {
    CutBefore(p, kAttributes);
    const TextPos o = Pos(kCacheDescription, p);
    r.attributes = Copy(p, 1, o - 1);
    if (o != 0) TagToNbsp(r.attributes);
  }

  Delete(p, 1, Pos(kCacheDescription, p) + 30);
  k = Pos(kSurroundings, p);
  std::string description = Copy(p, 1, k - 11);
  if (k != 0) TagStrip(description);
  EntityTable(description);
  r.short_description = AmpersandEscape(description);

  if (include_terrain) {
    CutBefore(p, kSurroundings);
    const TextPos c = Pos(kContents, p);
    std::string terrain_description = Copy(p, 1, c - 11);
    if (c != 0) TagStrip(terrain_description);
    EntityTable(terrain_description);
    r.long_description = AmpersandEscape(terrain_description);
  }
  return r;
}

}  // namespace trelka::faithful
