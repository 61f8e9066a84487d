#include "document/gpx10_values.h"

#include <array>
#include <charconv>
#include <filesystem>

#include "document/waypoint_file.h"
#include "text/codepage.h"
#include "text/text_primitives.h"

namespace trelka {

namespace {

constexpr std::string_view kTraditional = "Traditional Cache";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Number(std::string_view digits) {
  int value = 0;
  for (const char c : digits) value = value * 10 + (c - '0');
  return value;
}

int DaysIn(int month, int year) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// "DD.MM.YYYY": digits but at the two points.
constexpr std::string_view kDatePattern = "99.99.9999";

bool MatchesDatePattern(std::string_view text) {
  for (std::size_t i = 0; i < kDatePattern.size(); ++i) {
    if (kDatePattern[i] == '9' ? !IsDigit(text[i]) : text[i] != kDatePattern[i]) return false;
  }
  return true;
}

// The number text stands for, when it is a decimal number: an optional sign, then digits with
// at most one point among or around them, at least one digit.
std::optional<double> DecimalValue(std::string_view text) {
  const bool plus = text.starts_with('+');
  const std::string_view number = plus ? text.substr(1) : text;  // from_chars takes no "+"
  const std::string_view digits = !plus && number.starts_with('-') ? number.substr(1) : number;
  bool point = false;
  bool digit = false;
  for (const char c : digits) {
    if (IsDigit(c)) {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digit) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
  return value;
}

// One axis of the extent: the lowest and highest value seen, with their texts.
struct Extent {
  double low = 0;
  double high = 0;
  std::string low_text;
  std::string high_text;

  void Add(double value, std::string_view text, bool first) {
    if (first || value < low) {
      low = value;
      low_text = text;
    }
    if (first || value > high) {
      high = value;
      high_text = text;
    }
  }
};

}  // namespace

std::string_view CacheTypeOf(std::string_view waypoint_name) {
  struct Row {
    std::string_view letters;
    std::string_view type;
  };
  static constexpr std::array<Row, 8> kTypes = {{
      {"TR", kTraditional},
      {"MS", "Multi-cache"},
      {"VI", "Virtual Cache"},
      {"MV", "Virtual Cache"},
      {"EV", "Event Cache"},
      {"LT", "Unknown Cache"},
      {"LV", "Unknown Cache"},
      {"CT", "Unknown Cache"},
  }};
  const std::string_view letters = waypoint_name.substr(0, 2);
  for (const Row& row : kTypes) {
    if (EqualsIgnoringCase(letters, row.letters)) return row.type;
  }
  return kTraditional;
}

std::string CreatedTime(std::string_view created) {
  for (std::size_t at = 0; at + kDatePattern.size() <= created.size(); ++at) {
    const std::size_t end = at + kDatePattern.size();
    if (at > 0 && IsDigit(created[at - 1])) continue;
    if (end < created.size() && IsDigit(created[end])) continue;
    const std::string_view date = created.substr(at, kDatePattern.size());
    if (!MatchesDatePattern(date)) continue;
    const int day = Number(date.substr(0, 2));
    const int month = Number(date.substr(3, 2));
    const int year = Number(date.substr(6, 4));
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysIn(month, year)) continue;
    std::string time(date.substr(6, 4));
    time.append("-").append(date.substr(3, 2)).append("-").append(date.substr(0, 2));
    return time.append("T00:00:00Z");
  }
  return {};
}

std::string_view WithoutBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::optional<CoordinateBounds> WaypointBounds(std::string_view waypoint_file_bytes) {
  constexpr double kMaxLat = 90;
  constexpr double kMaxLon = 180;
  WaypointReader lines(waypoint_file_bytes);
  lines.SkipLines(kWaypointHeaderLines);
  Extent lat;
  Extent lon;
  bool any = false;
  while (!lines.AtEnd()) {
    const WaypointRecord waypoint = ParseWaypointLine(lines.ReadLine());
    const std::string_view lat_text = WithoutBlanks(waypoint.lat);
    const std::string_view lon_text = WithoutBlanks(waypoint.lon);
    const auto lat_value = DecimalValue(lat_text);
    const auto lon_value = DecimalValue(lon_text);
    if (!lat_value || !lon_value || *lat_value < -kMaxLat || *lat_value > kMaxLat ||
        *lon_value < -kMaxLon || *lon_value > kMaxLon) {
      continue;
    }
    lat.Add(*lat_value, lat_text, !any);
    lon.Add(*lon_value, lon_text, !any);
    any = true;
  }
  if (!any) return std::nullopt;
  return CoordinateBounds{lat.low_text, lon.low_text, lat.high_text, lon.high_text};
}

std::string DocumentNameOf(std::string_view path) {
  // The path is UTF-8 on every platform; as char8_t it stays so where the system's narrow
  // encoding is another (Windows). Ill-formed bytes never stand for "/", "\\" or ".", so
  // making the path well-formed first leaves its stem where it was.
  const std::string valid = ValidUtf8(path);
  const std::u8string stem =
      std::filesystem::path(std::u8string(valid.begin(), valid.end())).stem().u8string();
  std::string name;
  for (const char8_t c : stem) {
    if (static_cast<unsigned char>(c) >= 0x20) name += static_cast<char>(c);
  }
  return name;
}

}  // namespace trelka
