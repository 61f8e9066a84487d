// A second shape of a document, kept as the edits that turn the document's text into it: each
// edit replaces a stretch of the text with bytes of its own. The window keeps the GPX 1.1 text
// and the edits to GPX 1.0, so that either shape can be saved after one conversion while what
// the shapes share is held once.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/utf8_document.h"

namespace trelka {

class ShapeEdits {
 public:
  // Where the replacements are written, one after the other in the order of their edits.
  [[nodiscard]] Utf8Document& Replacements() { return replacements_; }

  // The text's bytes from at on, length of them, read as the next replacement_length bytes of
  // Replacements(). Edits come in the text's order and do not overlap.
  void Add(std::size_t at, std::size_t length, std::size_t replacement_length);

  // No edits: the second shape is the text itself.
  void Clear();

  // The edited text, piece by piece in order, to take. text must be the one the edits were
  // made on, whole (not spilled).
  void ForEachPiece(const Utf8Document& text,
                    const std::function<void(std::string_view)>& take) const;
  // The edited text as one string (for tests and small documents).
  [[nodiscard]] std::string Apply(const Utf8Document& text) const;

 private:
  struct Edit {
    std::size_t at;
    std::size_t length;
    std::size_t replacement_length;
  };

  std::vector<Edit> edits_;
  Utf8Document replacements_;
};

}  // namespace trelka
