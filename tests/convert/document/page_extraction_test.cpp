#include "document/page_extraction.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "document/gpx_document.h"
#include "document/line_writer.h"
#include "faithful_extraction.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::Escaped;
using testing::W;

// The fields as UTF-8; long_description is what the page gives with the terrain flag set.
struct Expected {
  const char* name;
  const char* code;
  const char* author;
  const char* created;
  const char* country;
  const char* difficulty;
  const char* terrain;
  const char* attributes;
  const char* short_description;
  const char* long_description;
};

struct PageCase {
  const char* file;  // under pages/ in the test data, windows-1251
  std::optional<Expected> expected;
};

constexpr const char* kCreated = "Создан: &#160;12.05.2008&#160;&#160;\r\n";
constexpr const char* kCountry = "Страна: &#160;Россия&#160;, Ленинградская обл.&#160;\r\n";
constexpr const char* kAttributes = "Атрибуты: &#160;&#160;&#160;\r\n&#160;&#160;";
constexpr const char* kSurroundings =
    "Описание окружающей местности\r\nЛес, болото, летом комары...\r\n";

const PageCase kCases[] = {
    {"ordinary.html",
     Expected{"Старая мельница", " [TR1234]", "Лесовик", kCreated, kCountry, "2", "3", kAttributes,
              "Мельница стоит на берегу ручья - до неё 2 км от станции.\r\n"
              "Тайник под третьим камнем \"плотины\".\r\n",
              kSurroundings}},
    {"half_grade.html",
     Expected{"Родник", " [TR0815]", "Лесовик", kCreated, kCountry, "2", "1", kAttributes,
              "Родник у старой дороги, тайник в корнях ивы.\r\n", kSurroundings}},
    {"no_attributes.html",
     Expected{"Маяк", " [MS0042]", "Лесовик", kCreated, kCountry, "2", "3", "",
              "Маяк виден издалека. Тайник за оградой.\r\n", kSurroundings}},
    {"entities.html",
     Expected{"Кафе", " [TR7001]", "Лесовик", kCreated, kCountry, "2", "3", kAttributes,
              "Кафе &#38;quot;Чайка&#38;quot; &#38;copy; 2009 - вход 5+6 руб.\r\n"
              "Надпись &#38;lt;не трогать&#62; и \"стрелка\" на 3*4 м, t = -5°C.\r\n",
              kSurroundings}},
    {"title_ampersands.html",
     Expected{"Рыбы &#38; раки &#38; крабы&#160;№2", " [TR3003]", "Ёж&#38;amp;Ко", kCreated,
              kCountry, "2", "3", kAttributes,
              "Мельница стоит на берегу ручья - до неё 2 км от станции.\r\n"
              "Тайник под третьим камнем \"плотины\".\r\n",
              kSurroundings}},
    {"title_tag.html", Expected{"Сосна <i>у озера</i>", " [TR3004]", "Лесовик", kCreated, kCountry,
                                "2", "3", kAttributes,
                                "Мельница стоит на берегу ручья - до неё 2 км от станции.\r\n"
                                "Тайник под третьим камнем \"плотины\".\r\n",
                                kSurroundings}},
    // The description ends inside the heading's opening tag: that half tag is dropped.
    {"cut_inside_tag.html", Expected{"Корни", " [TR3005]", "Лесовик", kCreated, kCountry, "2", "3",
                                     kAttributes, "Ищите у корней.\r\n", kSurroundings}},
    // No marker after the name marker: the arithmetic on absent markers cuts nothing useful.
    {"bold_only.html", Expected{"", " []", "", "", "", "", "", "", "", ""}},
    // Only a title and a profile link: the grades are the 16th and then the 14th character.
    {"bold_title_link.html", Expected{"Дуб", " []", "Иван", "", "", "у", "й", "", "", ""}},
    {"no_name_marker.html", std::nullopt},
};

std::string ReadPage(const char* file) {
  const char* data = std::getenv("TRELKA_TEST_DATA");
  if (data == nullptr) throw std::runtime_error("TRELKA_TEST_DATA is not set");
  return testing::ReadFileBytes(std::string(data) + "/pages/" + file);
}

void ExpectFields(const std::optional<CacheRecord>& got, const std::optional<Expected>& want,
                  bool include_terrain, const std::string& what) {
  ASSERT_EQ(got.has_value(), want.has_value()) << what;
  if (!want) return;
  auto field = [&](const char* name, const std::string& value, const char* utf8) {
    EXPECT_EQ(Escaped(value), Escaped(W(utf8))) << what << ", " << name;
  };
  field("name", got->name, want->name);
  field("code", got->code, want->code);
  field("author", got->author, want->author);
  field("created", got->created, want->created);
  field("country", got->country, want->country);
  field("difficulty", got->difficulty, want->difficulty);
  field("terrain", got->terrain, want->terrain);
  field("attributes", got->attributes, want->attributes);
  field("short_description", got->short_description, want->short_description);
  field("long_description", got->long_description, include_terrain ? want->long_description : "");
}

// Both versions, with the terrain flag set and cleared, field by field.
TEST(PageExtractionTest, CataloguePagesFieldByField) {
  for (const PageCase& c : kCases) {
    const std::string page = ReadPage(c.file);
    for (const bool include_terrain : {false, true}) {
      const std::string what =
          std::string(c.file) + (include_terrain ? " with" : " without") + " surroundings";
      ExpectFields(Extract(page, include_terrain), c.expected, include_terrain, what);
      ExpectFields(faithful::Extract(page, include_terrain), c.expected, include_terrain,
                   what + " (faithful)");
    }
  }
}

// Every page composes into a document an XML reader accepts; markup left in a title or an
// author shows as text.
TEST(PageExtractionTest, CataloguePagesComposeIntoWellFormedDocuments) {
  Utf8Document document;
  GpxWriter writer(document, {});
  writer.Start();
  for (const PageCase& c : kCases) {
    const auto record = Extract(ReadPage(c.file), true);
    if (record) writer.Append(WaypointRecord{"3004", "55.1", "37.2"}, *record);
  }
  writer.Finish();
  const std::string text = document.Text();
  EXPECT_EQ(testing::XmlProblem(text), "");
  EXPECT_NE(text.find("<groundspeak:name>Сосна &#60;i>у озера&#60;/i> [TR3004]<"),
            std::string::npos);
  EXPECT_NE(text.find("<groundspeak:placed_by>Ёж&#38;amp;Ко<"), std::string::npos);
}

}  // namespace
}  // namespace trelka
