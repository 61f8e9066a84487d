#include "document/utf8_document.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace trelka {

char* Utf8Document::Reserve(std::size_t n) {
  if (n > kBlockBytes) throw std::length_error("Utf8Document::Reserve beyond a block");
  if (blocks_.empty() || kBlockBytes - blocks_.back().used < n) {
    if (spill_ && !blocks_.empty()) {
      Block& block = blocks_.back();
      spill_(std::string_view(block.bytes.get(), block.used));
      block.used = 0;
    } else {
      // Not value-initialised: the bytes are written before they are read.
      blocks_.push_back({std::unique_ptr<char[]>(new char[kBlockBytes]), 0});
    }
  }
  return blocks_.back().bytes.get() + blocks_.back().used;
}

void Utf8Document::Commit(std::size_t n) {
  blocks_.back().used += n;
  size_ += n;
}

void Utf8Document::Append(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t room = blocks_.empty() ? 0 : kBlockBytes - blocks_.back().used;
    const std::size_t n = std::min(bytes.size(), room > 0 ? room : kBlockBytes);
    std::memcpy(Reserve(n), bytes.data(), n);
    Commit(n);
    bytes.remove_prefix(n);
  }
}

std::size_t Utf8Document::RoomInBlock() const {
  return blocks_.empty() ? 0 : kBlockBytes - blocks_.back().used;
}

void Utf8Document::CutTo(std::size_t size) {
  if (size == size_) return;
  if (size > size_ || size_ - size > (blocks_.empty() ? 0 : blocks_.back().used)) {
    throw std::logic_error("Utf8Document::CutTo beyond the current block");
  }
  blocks_.back().used -= size_ - size;
  size_ = size;
}

void Utf8Document::Clear() {
  blocks_.clear();
  size_ = 0;
}

std::vector<std::string_view> Utf8Document::Pieces() const {
  std::vector<std::string_view> pieces;
  for (const Block& block : blocks_) {
    if (block.used > 0) pieces.emplace_back(block.bytes.get(), block.used);
  }
  return pieces;
}

std::string Utf8Document::Text() const {
  std::string text;
  for (std::string_view piece : Pieces()) text.append(piece);
  return text;
}

}  // namespace trelka
