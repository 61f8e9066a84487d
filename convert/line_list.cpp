#include "line_list.h"

#include <utility>

namespace trelka {

void LineList::SetText(std::string_view text) {
  text_.clear();
  count_ = 0;
  AppendText(text);
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
