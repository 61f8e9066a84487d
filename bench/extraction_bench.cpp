// Times the page cuts with their clean-up on generated catalogue pages of 40 KiB (an ordinary
// page) up to 16 MiB (a tag every ~40 bytes, an entity every ~100), beside the faithful cuts
// where those end within a minute, and prints Markdown tables: the whole cuts per page size,
// each pass on the ordinary page, and two 64 MiB worst cases with the peak memory they add,
// each in a fresh process. Both versions must agree on every page.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/page_extraction.h"
#include "faithful_extraction.h"
#include "text/clean_up.h"
#include "text/codepage.h"
#include "text/xml_guard.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kFaithfulLimitSeconds = 60;
constexpr std::size_t kOrdinaryPage = 40 << 10;
constexpr std::size_t kWorstCasePage = 64 << 20;

// Appends a description of about size bytes: Cyrillic words with a tag every ~40 bytes and an
// entity every ~100.
void AppendDescription(std::string& out, std::size_t size) {
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
  const std::size_t start = out.size();
  std::size_t word = 0, tag = 0, entity = 0, next_tag = 40, next_entity = 100;
  while (out.size() - start < size) {
    out += kWords[word++ % kWords.size()];
    out += ' ';
    if (out.size() - start >= next_tag) {
      out += kTags[tag++ % kTags.size()];
      next_tag += 40;
    }
    if (out.size() - start >= next_entity) {
      out += kEntities[entity++ % kEntities.size()];
      next_entity += 100;
    }
  }
}

// Appends nothing but entities, listed and unlisted ones in turn, about size bytes of them.
void AppendEntities(std::string& out, std::size_t size) {
  static const std::vector<std::string> kEntities = {
      "&nbsp;",  "&amp;",  "&mdash;", "&laquo;", "&raquo;", "&hellip;", "&gt;",   "&deg;",
      "&rdquo;", "&quot;", "&copy;",  "&#160;",  "&times;", "&prime;",  "&ordm;", "&acute;"};
  const std::size_t start = out.size();
  for (std::size_t i = 0; out.size() - start < size; ++i) out += kEntities[i % kEntities.size()];
}

using Appender = void (*)(std::string&, std::size_t);

std::string Text(Appender append, std::size_t size) {
  std::string text;
  text.reserve(size + 64);
  append(text, size);
  return text;
}

// A whole page of about size bytes; the two descriptions share most of it, two thirds and one
// third. Its storage is reserved up front, so that building it peaks at the page's own size.
std::string Page(std::size_t size, Appender description = AppendDescription) {
  const auto w = [](const char* utf8) { return trelka::Utf8ToCp1251(utf8); };
  std::string page;
  page.reserve(size + 1024);
  page += "<html><body>\r\n<p><b>" + w("Старая мельница") + "</b><br>\r\n";
  page += R"(<b><a href="profile.php?uid=2718">")" + w("Лесовик") + "\"</a></b>\r\n";
  page += "<i>(" + w("Традиционный") + " TR1234)</i><br>\r\n";
  page += w("Создан: <b>12.05.2008</b><br>\r\nКоординаты: N 59&deg; 56.123'<br>\r\n");
  page += w("Страна: <b>Россия</b><br>\r\nДоступность: <b>2</b><br>\r\n");
  page += w("Местность: <b>3</b><br>\r\nАтрибуты: <img src=\"a.gif\"><br>\r\n");
  page += w("<p><b>Описание тайника</b></p>\r\n<div>");
  description(page, size * 2 / 3);
  page += w("</div>\r\n<br><p><b>Описание окружающей местности</b></p>\r\n<div>");
  const std::string tail =
      w("</div>\r\n<br><p><b>Содержимое тайника</b></p>\r\n</body></html>\r\n");
  description(page, size > page.size() + tail.size() ? size - page.size() - tail.size() : 0);
  page += tail;
  return page;
}

// A small page whose author's name is size bytes of "<".
std::string PageWithLongAuthor(std::size_t size) {
  std::string page = Page(1 << 10);
  const std::string link = R"(profile.php?uid=2718">")";
  const std::size_t name = page.find(link) + link.size();
  page.replace(name, page.find('"', name) - name, size, '<');
  return page;
}

template <typename F>
double Seconds(F&& f) {
  const auto start = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The best of enough runs to fill about a second and a half, at least three. On the shared
// machine, the runs of the first half second on a large page are often slowed by first
// touches of fresh memory; a longer window shows what a steady stream of pages costs.
template <typename F>
double BestSeconds(F&& f) {
  double best = 1e9, total = 0;
  for (int runs = 0; runs < 3 || total < 1.5; ++runs) {
    const double s = Seconds(f);
    best = std::min(best, s);
    total += s;
  }
  return best;
}

// The best time of one call, in microseconds, for passes that take microseconds.
template <typename F>
double BestMicroseconds(F&& f) {
  return BestSeconds(f) * 1e6;
}

long PeakRssKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Extract on a page built in a child process of its own, so that the peak memory it adds is
// measured from a fresh high-water mark: one row of the worst-case table.
void WorstCase(const char* label, const std::function<std::string()>& make_page) {
  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) {
    const std::string page = make_page();
    const long before = PeakRssKiB();
    const auto start = Clock::now();
    const auto record = trelka::Extract(page, true);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const long after = PeakRssKiB();
    std::printf("| %s | %.0f | %.1f | %.1f |\n", label, seconds * 1e3,
                static_cast<double>(after - before) / 1024.0,
                static_cast<double>(page.size()) / (1 << 20));
    std::fflush(stdout);
    ::_exit(record ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
}

void WorstCases() {
  std::printf("| worst case, 64Mi bytes | Extract (ms) | peak RSS growth (MiB) | page (MiB) |\n");
  std::printf("|---|---:|---:|---:|\n");
  WorstCase("author all `<`", [] { return PageWithLongAuthor(kWorstCasePage); });
  WorstCase("descriptions all entities", [] { return Page(kWorstCasePage, AppendEntities); });
  std::printf("\n");
}

// Each pass on the two descriptions of an ordinary page, fed as Extract feeds them, and the
// XML guard they meet in the document.
void PassesOnOrdinaryPage() {
  const std::string page = Page(kOrdinaryPage);
  const std::string first = Text(AppendDescription, kOrdinaryPage * 2 / 3);
  const std::string second = Text(AppendDescription, kOrdinaryPage / 3);
  std::string stripped[2], table[2], escaped[2], guarded[2];
  const std::string* descriptions[2] = {&first, &second};
  const auto both = [](auto&& f) {
    return BestMicroseconds([&] {
      f(0);
      f(1);
    });
  };
  const double tag_strip = both([&](int i) { stripped[i] = trelka::TagStrip(*descriptions[i]); });
  const double entity_table = both([&](int i) { table[i] = trelka::EntityTable(stripped[i]); });
  const double ampersand = both([&](int i) { escaped[i] = trelka::AmpersandEscape(table[i]); });
  const double table_then_escape =
      both([&](int i) { escaped[i] = trelka::EntityTableThenAmpersandEscape(stripped[i]); });
  const double xml_guard =
      both([&](int i) { guarded[i] = trelka::XmlGuard(escaped[i], trelka::XmlContext::kElement); });
  std::optional<trelka::CacheRecord> record;
  const double extract = BestMicroseconds([&] { record = trelka::Extract(page, true); });
  std::printf("| on a 40KiB page | µs |\n|---|---:|\n");
  std::printf("| TagStrip | %.1f |\n| EntityTable | %.1f |\n| AmpersandEscape | %.1f |\n",
              tag_strip, entity_table, ampersand);
  std::printf("| EntityTableThenAmpersandEscape, the two in one copy | %.1f |\n",
              table_then_escape);
  std::printf(
      "| XmlGuard | %.1f |\n| Extract: the cuts, TagStrip, the two in one copy | %.1f |\n\n",
      xml_guard, extract);
}

// The entity table's two ways on the same texts: in one copy (EntityTable, where the one copy
// takes the text) and row by row (what it goes to where it does not). The 64 MiB worst case
// runs in a child process per way, so that each one's added peak memory is its own.
void EntityTableWays() {
  const auto stripped = [](std::size_t size) {
    return trelka::TagStrip(Text(AppendDescription, size));
  };
  const std::string ordinary[2] = {stripped(kOrdinaryPage * 2 / 3), stripped(kOrdinaryPage / 3)};
  const std::string large = stripped(16 << 20);
  std::string out;
  const auto both = [&](auto table) {
    return BestMicroseconds([&] {
      out = table(ordinary[0]);
      out = table(ordinary[1]);
    });
  };
  std::printf("| entity table on | one copy | row by row | one copy takes it |\n");
  std::printf("|---|---:|---:|---|\n");
  std::printf("| a 40KiB page's descriptions | %.1f µs | %.1f µs | %s |\n",
              both(trelka::EntityTable), both(trelka::EntityTableRowByRow),
              trelka::EntityTableInOneCopy(ordinary[0]) ? "yes" : "no");
  std::printf("| a 16 MiB description | %.1f ms | %.1f ms | %s |\n",
              BestSeconds([&] { out = trelka::EntityTable(large); }) * 1e3,
              BestSeconds([&] { out = trelka::EntityTableRowByRow(large); }) * 1e3,
              trelka::EntityTableInOneCopy(large) ? "yes" : "no");
  std::string cells[2];
  for (int way = 0; way < 2; ++way) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) return;
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
      const std::string text = Text(AppendEntities, kWorstCasePage);
      const long before = PeakRssKiB();
      const double seconds = Seconds(
          [&] { out = way == 0 ? trelka::EntityTable(text) : trelka::EntityTableRowByRow(text); });
      char cell[64];
      const int n = std::snprintf(cell, sizeof cell, "%.0f ms, +%.1f MiB", seconds * 1e3,
                                  static_cast<double>(PeakRssKiB() - before) / 1024.0);
      (void)!::write(pipe_fds[1], cell, static_cast<std::size_t>(n));
      ::_exit(0);
    }
    ::close(pipe_fds[1]);
    char cell[64] = {};
    (void)!::read(pipe_fds[0], cell, sizeof cell - 1);
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    cells[way] = cell;
  }
  std::printf("| 64 MiB of entities, peak memory added | %s | %s | %s |\n\n", cells[0].c_str(),
              cells[1].c_str(),
              trelka::EntityTableInOneCopy(Text(AppendEntities, 1 << 20)) ? "yes" : "no");
}

bool Same(const trelka::CacheRecord& a, const trelka::CacheRecord& b) {
  return a.name == b.name && a.code == b.code && a.author == b.author && a.created == b.created &&
         a.country == b.country && a.difficulty == b.difficulty && a.terrain == b.terrain &&
         a.attributes == b.attributes && a.short_description == b.short_description &&
         a.long_description == b.long_description;
}

}  // namespace

int main() {
  // The worst cases first, while this process is still small.
  WorstCases();
  EntityTableWays();
  PassesOnOrdinaryPage();
  // 4 MiB as well, so that the faithful cuts' growth is measured up to a quarter of 16 MiB.
  const struct {
    const char* label;
    std::size_t bytes;
  } sizes[] = {{"40 KiB", kOrdinaryPage},
               {"64 KiB", 64 << 10},
               {"1 MiB", 1 << 20},
               {"4 MiB", 4 << 20},
               {"16 MiB", 16 << 20}};
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
