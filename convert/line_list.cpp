#include "line_list.h"

#include <utility>

namespace trelka {

void LineList::SetText(std::string_view text) {
  text_.clear();
  count_ = 0;
  AppendText(text);
}

namespace {

// Whether text is exactly what Text() would give for its lines: every line ends in CR LF,
// there is no other CR or LF, and no NUL. Counts the lines on the way.
bool InReadBackForm(std::string_view text, std::size_t& lines) {
  lines = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\0') return false;
    if (c == '\n') return false;  // an LF that is not part of a CR LF checked below
    if (c == '\r') {
      if (i + 1 >= text.size() || text[i + 1] != '\n') return false;
      ++i;
      ++lines;
    }
  }
  return text.empty() || text.ends_with("\r\n");
}

}  // namespace

void LineList::SetText(std::string&& text) {
  std::size_t lines = 0;
  if (!InReadBackForm(text, lines)) return SetText(std::string_view(text));
  text_ = std::move(text);
  count_ = lines;
}

void LineList::AppendText(std::string_view text) {
  const auto nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);

  std::size_t start = 0;
  while (start < text.size()) {
    const auto brk = text.find_first_of("\r\n", start);
    if (brk == std::string_view::npos) {
      text_.append(text.substr(start)).append("\r\n");
      ++count_;
      break;
    }
    text_.append(text.substr(start, brk - start)).append("\r\n");
    ++count_;
    start = brk + 1;
    if (text[brk] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
}

std::string LineList::TakeText() {
  count_ = 0;
  return std::exchange(text_, {});
}

}  // namespace trelka
