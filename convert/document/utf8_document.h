// The finished document as it grows: UTF-8 text in blocks of a fixed size. Growing never
// copies what is there and never holds much more than the text, and saving writes the blocks
// as they are. With a spill, every full block is passed on (to the file being written) and
// its memory reused, so a document of any size needs one block.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trelka {

class Utf8Document {
 public:
  // Receives the text block by block, in order; may raise (a failed write ends the run).
  using Spill = std::function<void(std::string_view)>;

  static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

  // Keeps the whole text.
  Utf8Document() = default;
  // Keeps at most one block, passing each full one to spill; Pieces() then gives the rest.
  explicit Utf8Document(Spill spill) : spill_(std::move(spill)) {}

  // Room for at least n bytes (n <= kBlockBytes) at the end of the text. Write into it, then
  // Commit how many bytes were written; nothing else may come between.
  [[nodiscard]] char* Reserve(std::size_t n);
  void Commit(std::size_t n);

  void Append(std::string_view bytes);

  // How many bytes can still be reserved and committed, in any pieces, before a block is begun
  // or spilled; 0 before the first.
  [[nodiscard]] std::size_t RoomInBlock() const;
  // Drops the text after its first size bytes, all of which are in the current block: no block
  // has been begun or spilled since the text had that size.
  void CutTo(std::size_t size);

  // Drops the text (without passing it on): the document is empty again.
  void Clear();

  // The text's pieces in order, for writing; only what has not been spilled.
  [[nodiscard]] std::vector<std::string_view> Pieces() const;
  // The text as one string (for tests and small documents).
  [[nodiscard]] std::string Text() const;
  // Bytes appended in all, spilled ones included.
  [[nodiscard]] std::size_t Size() const { return size_; }
  [[nodiscard]] bool Empty() const { return size_ == 0; }

 private:
  struct Block {
    std::unique_ptr<char[]> bytes;
    std::size_t used = 0;
  };

  Spill spill_;
  std::vector<Block> blocks_;
  std::size_t size_ = 0;
};

}  // namespace trelka
