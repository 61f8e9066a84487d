#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "differential.h"
#include "document/page_extraction.h"
#include "faithful_extraction.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::Escaped;
using testing::FindMismatch;
using testing::TextGenerator;
using testing::W;

constexpr int kPages = 200'000;

// The markers in the order the cuts expect them, with a few near misses among them.
std::vector<std::string> Markers() {
  std::vector<std::string> markers = {
      "<p><b>", "</b>", R"(<b><a href="profile.php?uid=7">)", "</a>", "(", " ", ")</i>", "<p>"};
  for (const char* utf8 :
       {"Создан:", "Координаты", "Страна:", "Доступность:", "Доступность", "Местность:", "Атрибуты",
        "Описание тайника", "Описание окружающей местности", "Описание", "Содержимое тайника"}) {
    markers.push_back(W(utf8));
  }
  return markers;
}

// The markers in order with short fillers, then shuffled, dropped and repeated a little.
std::string Page(TextGenerator& generator, const std::vector<std::string>& markers) {
  std::vector<std::string> pieces = markers;
  const int changes = generator.Below(5);
  for (int i = 0; i < changes; ++i) {
    const auto at = static_cast<std::size_t>(generator.Below(static_cast<int>(pieces.size())));
    switch (generator.Below(3)) {
      case 0:
        std::swap(
            pieces[at],
            pieces[static_cast<std::size_t>(generator.Below(static_cast<int>(pieces.size())))]);
        break;
      case 1:
        if (pieces.size() > 1) pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(at));
        break;
      default:
        pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(at), pieces[at]);
        break;
    }
  }
  std::string page = generator.Text(6);
  for (const std::string& piece : pieces) page += piece + generator.Text(10);
  return page;
}

// The markers in order, each after a run of its own beginning, so that the searches meet long
// runs of false starts.
std::string DensePage(TextGenerator& generator, const std::vector<std::string>& markers) {
  std::string page;
  for (const std::string& marker : markers) {
    const std::size_t prefix =
        static_cast<std::size_t>(generator.Below(static_cast<int>(marker.size()))) + 1;
    for (int i = generator.Below(400); i > 0; --i) page.append(marker, 0, prefix);
    page += marker + generator.Text(4);
  }
  return page;
}

// The fields in which two results differ, empty when they agree.
std::string Difference(const std::optional<CacheRecord>& a, const std::optional<CacheRecord>& b) {
  if (a.has_value() != b.has_value()) return "one has no record";
  if (!a) return {};
  std::string out;
  auto field = [&out](const char* name, const std::string& x, const std::string& y) {
    if (x != y) out += std::string(name) + ": \"" + Escaped(x) + "\" vs \"" + Escaped(y) + "\"\n";
  };
  field("name", a->name, b->name);
  field("code", a->code, b->code);
  field("author", a->author, b->author);
  field("created", a->created, b->created);
  field("country", a->country, b->country);
  field("difficulty", a->difficulty, b->difficulty);
  field("terrain", a->terrain, b->terrain);
  field("attributes", a->attributes, b->attributes);
  field("short_description", a->short_description, b->short_description);
  field("long_description", a->long_description, b->long_description);
  return out;
}

struct PageKind {
  const char* name;
  std::string (*make)(TextGenerator&, const std::vector<std::string>&);
  int pages;
};

void PrintTo(const PageKind& kind, std::ostream* out) { *out << kind.name; }

class PageExtractionDifferentialTest : public ::testing::TestWithParam<PageKind> {};

TEST_P(PageExtractionDifferentialTest, AgreesWithFaithfulCuts) {
  const PageKind& kind = GetParam();
  const std::vector<std::string> markers = Markers();
  for (const bool include_terrain : {false, true}) {
    TextGenerator generator(include_terrain ? 7 : 8);
    const auto mismatch = FindMismatch(
        kind.pages / 2, [&] { return kind.make(generator, markers); },
        [&](const std::string& page) {
          return !Difference(Extract(page, include_terrain),
                             faithful::Extract(page, include_terrain))
                      .empty();
        });
    if (mismatch.found) {
      ADD_FAILURE() << kind.name << ", terrain " << include_terrain << ": " << mismatch.failures
                    << " pages differ; shortest: \"" << Escaped(mismatch.input) << "\"\n"
                    << Difference(Extract(mismatch.input, include_terrain),
                                  faithful::Extract(mismatch.input, include_terrain));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, PageExtractionDifferentialTest,
                         ::testing::Values(PageKind{"ShuffledPages", Page, kPages},
                                           PageKind{"PagesDenseInFalseStarts", DensePage, 400}),
                         [](const ::testing::TestParamInfo<PageKind>& kind) {
                           return std::string(kind.param.name);
                         });

}  // namespace
}  // namespace trelka
