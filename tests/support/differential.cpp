#include "differential.h"

#include "test_support.h"

namespace trelka::testing {

TextGenerator::TextGenerator(std::uint32_t seed) : engine_(seed) {
  for (const char c : std::string("<<<>>>&&&##;;; \r\nabcdeghilmnopqrstuxyz")) {
    pieces_.emplace_back(1, c);
  }
  for (const char* cyrillic : {"Ж", "о", "п", "я", "ё"}) pieces_.push_back(W(cyrillic));
  for (const char* search :
       {"&nbsp", "dash", "&times;", "&laquo", "&raquo", "&deg", "aquo;", "quo;", "&gt;", "&hellip;",
        "&prime;", "&amp;", "&ordm;", "&acute;", "&#160;", "&quot;", "<b>", "</p>",
        // whole entities as pages write them
        "&nbsp;", "&mdash;", "&ndash;", "&laquo;", "&raquo;", "&deg;"}) {
    pieces_.emplace_back(search);
  }
}

std::string TextGenerator::Text(int max_pieces) {
  std::string text;
  const int pieces = Below(max_pieces + 1);
  for (int i = 0; i < pieces; ++i) {
    // Mostly single characters; whole search texts are under a third of the pieces.
    const std::string& piece =
        pieces_[static_cast<std::size_t>(Below(static_cast<int>(pieces_.size())))];
    text += piece;
  }
  return text;
}

Mismatch FindMismatch(int count, const std::function<std::string()>& make, const Differs& differs) {
  Mismatch result;
  for (int i = 0; i < count; ++i) {
    std::string input = make();
    if (!differs(input)) continue;
    ++result.failures;
    if (!result.found || input.size() < result.input.size()) {
      result.found = true;
      result.input = std::move(input);
    }
  }
  if (!result.found) return result;
  for (std::size_t i = 0; i < result.input.size();) {
    std::string shorter = result.input;
    shorter.erase(i, 1);
    if (differs(shorter)) {
      result.input = std::move(shorter);
    } else {
      ++i;
    }
  }
  return result;
}

}  // namespace trelka::testing
