#include "line_list.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace trelka::faithful {

void LineList::SetText(std::string_view text) {
  text_.clear();
  count_ = 0;
  AppendText(text);
}

namespace {

// Whether text is exactly what Text() would give for its lines: every line ends in CR LF,
// there is no other CR or LF, and no NUL. Counts the lines on the way.
bool InReadBackForm(std::string_view text, std::size_t& lines) {
  if (text.find('\0') != std::string_view::npos) return false;
  // Every CR must start a CR LF; then there are as many lines as CRs, and the form holds
  // when there are exactly as many LFs.
  lines = 0;
  for (std::size_t cr = text.find('\r'); cr != std::string_view::npos;
       cr = text.find('\r', cr + 2)) {
    if (cr + 1 >= text.size() || text[cr + 1] != '\n') return false;
    ++lines;
  }
  const auto lfs = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  return lfs == lines && (text.empty() || text.ends_with("\r\n"));
}

// Finds the line breaks of one text in order. Each kind is looked up with memchr and the
// answer kept until the search has passed it, so the text is scanned once for each kind.
class BreakFinder {
 public:
  explicit BreakFinder(std::string_view text) : text_(text) {}

  // The first CR or LF at or after start, or npos.
  std::size_t Next(std::size_t start) {
    return std::min(Find('\r', start, next_cr_), Find('\n', start, next_lf_));
  }

 private:
  std::size_t Find(char c, std::size_t start, std::size_t& cached) {
    if (cached != kUnknown && (cached == std::string_view::npos || cached >= start)) return cached;
    const void* found = std::memchr(text_.data() + start, c, text_.size() - start);
    cached = found == nullptr
                 ? std::string_view::npos
                 : static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
    return cached;
  }

  static constexpr std::size_t kUnknown = std::string_view::npos - 1;
  std::string_view text_;
  std::size_t next_cr_ = kUnknown;
  std::size_t next_lf_ = kUnknown;
};

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

  BreakFinder breaks(text);
  std::size_t start = 0;
  while (start < text.size()) {
    const auto brk = breaks.Next(start);
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

}  // namespace trelka::faithful
