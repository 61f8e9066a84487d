#include "text/text_primitives.h"

#include <algorithm>

namespace trelka {

namespace {

TextPos Length(std::string_view s) { return static_cast<TextPos>(s.size()); }

}  // namespace

TextPos Pos(std::string_view sub, std::string_view s) {
  if (sub.empty() || s.empty()) return 0;
  const auto found = s.find(sub);
  return found == std::string_view::npos ? 0 : static_cast<TextPos>(found) + 1;
}

std::string Copy(std::string_view s, TextPos index, TextPos count) {
  if (index < 1) index = 1;
  if (index > Length(s) || count <= 0) return {};
  const TextPos available = Length(s) - index + 1;
  return std::string(s.substr(static_cast<size_t>(index - 1),
                              static_cast<size_t>(count < available ? count : available)));
}

void Delete(std::string& s, TextPos index, TextPos count) {
  if (index < 1 || index > Length(s) || count <= 0) return;
  s.erase(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

void Insert(std::string_view source, std::string& s, TextPos index) {
  if (source.empty()) return;
  if (index < 1) index = 1;
  if (index > Length(s)) index = Length(s) + 1;
  s.insert(static_cast<size_t>(index - 1), source);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace trelka
