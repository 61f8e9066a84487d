// Times the page cuts with their clean-up on generated catalogue pages of 64 KiB, 1 MiB and
// 16 MiB (a tag every ~40 bytes, an entity every ~100), beside the faithful cuts where those
// end within a minute, and prints a Markdown table. Both versions must agree on every page.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "codepage.h"
#include "faithful_extraction.h"
#include "page_extraction.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kFaithfulLimitSeconds = 60;

// A description of about size bytes: Cyrillic words with a tag every ~40 bytes and an
// entity every ~100.
std::string DescriptionText(std::size_t size) {
  static const std::vector<std::string> kWords = [] {
    std::vector<std::string> words;
    for (const char* w : {"тропа", "идёт", "вдоль", "ручья", "к", "старой", "ели", "у", "камня",
                          "дальше", "по", "просеке", "Lake", "trail", "north", "—", "5", "км"}) {
      words.push_back(trelka::Utf8ToCp1251(w));
    }
    return words;
  }();
  static const std::vector<std::string> kTags = {
      "<b>", "</b>", "<br>", R"(<a href="#m">)", "</a>", R"(<img src="a.jpg" alt="x">)"};
  static const std::vector<std::string> kEntities = {"&nbsp;", "&mdash;", "&laquo;",  "&raquo;",
                                                     "&quot;", "&amp;",   "&hellip;", "&deg;",
                                                     "&gt;",   "&copy;",  "&rdquo;",  "&#160;"};
  std::string text;
  text.reserve(size + 64);
  std::size_t word = 0, tag = 0, entity = 0, next_tag = 40, next_entity = 100;
  while (text.size() < size) {
    text += kWords[word++ % kWords.size()];
    text += ' ';
    if (text.size() >= next_tag) {
      text += kTags[tag++ % kTags.size()];
      next_tag += 40;
    }
    if (text.size() >= next_entity) {
      text += kEntities[entity++ % kEntities.size()];
      next_entity += 100;
    }
  }
  return text;
}

// A whole page of about size bytes; the two descriptions share most of it.
std::string Page(std::size_t size) {
  const auto w = [](const char* utf8) { return trelka::Utf8ToCp1251(utf8); };
  std::string page = "<html><body>\r\n<p><b>" + w("Старая мельница") + "</b><br>\r\n";
  page += R"(<b><a href="profile.php?uid=2718">")" + w("Лесовик") + "\"</a></b>\r\n";
  page += "<i>(" + w("Традиционный") + " TR1234)</i><br>\r\n";
  page += w("Создан: <b>12.05.2008</b><br>\r\nКоординаты: N 59&deg; 56.123'<br>\r\n");
  page += w("Страна: <b>Россия</b><br>\r\nДоступность: <b>2</b><br>\r\n");
  page += w("Местность: <b>3</b><br>\r\nАтрибуты: <img src=\"a.gif\"><br>\r\n");
  page += w("<p><b>Описание тайника</b></p>\r\n<div>");
  page += DescriptionText(size * 2 / 3);
  page += w("</div>\r\n<br><p><b>Описание окружающей местности</b></p>\r\n<div>");
  const std::string tail =
      w("</div>\r\n<br><p><b>Содержимое тайника</b></p>\r\n</body></html>\r\n");
  page += DescriptionText(size > page.size() + tail.size() ? size - page.size() - tail.size() : 0);
  return page + tail;
}

template <typename F>
double Seconds(F&& f) {
  const auto start = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The best of enough runs to fill about half a second, at least three.
template <typename F>
double BestSeconds(F&& f) {
  double best = 1e9, total = 0;
  for (int runs = 0; runs < 3 || total < 0.5; ++runs) {
    const double s = Seconds(f);
    best = std::min(best, s);
    total += s;
  }
  return best;
}

bool Same(const trelka::CacheRecord& a, const trelka::CacheRecord& b) {
  return a.name == b.name && a.code == b.code && a.author == b.author && a.created == b.created &&
         a.country == b.country && a.difficulty == b.difficulty && a.terrain == b.terrain &&
         a.attributes == b.attributes && a.short_description == b.short_description &&
         a.long_description == b.long_description;
}

}  // namespace

int main() {
  // 4 MiB as well, so that the faithful cuts' growth is measured up to a quarter of 16 MiB.
  const struct {
    const char* label;
    std::size_t bytes;
  } sizes[] = {{"64 KiB", 64 << 10}, {"1 MiB", 1 << 20}, {"4 MiB", 4 << 20}, {"16 MiB", 16 << 20}};
  std::printf("| page | linear (ms) | linear (ns/byte) | faithful (ms) | faithful (ns/byte) |\n");
  std::printf("|---:|---:|---:|---:|---:|\n");
  double last_faithful = 0;
  std::size_t last_size = 0;
  int failures = 0;
  for (const auto& size : sizes) {
    const std::string page = Page(size.bytes);
    std::optional<trelka::CacheRecord> ours;
    const double linear = BestSeconds([&] { ours = trelka::Extract(page, true); });
    const double bytes = static_cast<double>(page.size());
    std::string faithful_cell, faithful_per_byte;
    // The faithful cuts grow with the square of the page: estimate before running them.
    const double ratio = last_size ? bytes / static_cast<double>(last_size) : 0;
    const double estimate = last_faithful * ratio * ratio;
    if (last_size && estimate > kFaithfulLimitSeconds) {
      char cell[96];
      std::snprintf(cell, sizeof cell, "not run (about %.0f s estimated)", estimate);
      faithful_cell = cell;
      faithful_per_byte = "-";
    } else {
      std::optional<trelka::CacheRecord> theirs;
      const double faithful = Seconds([&] { theirs = trelka::faithful::Extract(page, true); });
      if (!ours || !theirs || !Same(*ours, *theirs)) {
        std::fprintf(stderr, "the versions differ on the %zu-byte page\n", page.size());
        ++failures;
      }
      char cell[64];
      std::snprintf(cell, sizeof cell, "%.1f", faithful * 1e3);
      faithful_cell = cell;
      std::snprintf(cell, sizeof cell, "%.0f", faithful * 1e9 / bytes);
      faithful_per_byte = cell;
      last_faithful = faithful;
      last_size = page.size();
    }
    std::printf("| %s | %.2f | %.2f | %s | %s |\n", size.label, linear * 1e3, linear * 1e9 / bytes,
                faithful_cell.c_str(), faithful_per_byte.c_str());
    std::fflush(stdout);
  }
  return failures == 0 ? 0 : 1;
}
