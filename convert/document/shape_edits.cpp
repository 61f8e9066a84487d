#include "document/shape_edits.h"

#include <stdexcept>

namespace trelka {

namespace {

// Reads a document's bytes from the front, across its blocks.
class BlockReader {
 public:
  explicit BlockReader(const Utf8Document& document) : pieces_(document.Pieces()) {}

  // Passes the next n bytes to take, in as many pieces as they span; with no take, skips them.
  void Read(std::size_t n, const std::function<void(std::string_view)>* take) {
    while (n > 0) {
      if (index_ == pieces_.size()) throw std::logic_error("shape edits beyond their text");
      const std::string_view piece = pieces_[index_].substr(offset_, n);
      if (take != nullptr) (*take)(piece);
      n -= piece.size();
      offset_ += piece.size();
      if (offset_ == pieces_[index_].size()) {
        ++index_;
        offset_ = 0;
      }
    }
  }

  void ReadRest(const std::function<void(std::string_view)>& take) {
    for (; index_ < pieces_.size(); ++index_, offset_ = 0) take(pieces_[index_].substr(offset_));
  }

 private:
  std::vector<std::string_view> pieces_;
  std::size_t index_ = 0;
  std::size_t offset_ = 0;
};

}  // namespace

void ShapeEdits::Add(std::size_t at, std::size_t length, std::size_t replacement_length) {
  if (length == 0 && replacement_length == 0) return;
  const std::size_t done = edits_.empty() ? 0 : edits_.back().at + edits_.back().length;
  if (at < done) throw std::logic_error("shape edits out of order");
  edits_.push_back({at, length, replacement_length});
}

void ShapeEdits::Clear() {
  edits_.clear();
  edits_.shrink_to_fit();
  replacements_.Clear();
}

void ShapeEdits::ForEachPiece(const Utf8Document& text,
                              const std::function<void(std::string_view)>& take) const {
  BlockReader original(text);
  BlockReader replacements(replacements_);
  std::size_t position = 0;
  for (const Edit& edit : edits_) {
    original.Read(edit.at - position, &take);
    original.Read(edit.length, nullptr);
    replacements.Read(edit.replacement_length, &take);
    position = edit.at + edit.length;
  }
  original.ReadRest(take);
}

std::string ShapeEdits::Apply(const Utf8Document& text) const {
  std::string edited;
  ForEachPiece(text, [&edited](std::string_view piece) { edited.append(piece); });
  return edited;
}

}  // namespace trelka
