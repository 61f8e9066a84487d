#include "text/cursor_out.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

namespace trelka {
namespace {

// Random runs of a source held in a heap block of exactly its size, so that a fixed-size copy
// reaching past its end would be a read the sanitizers see, with pieces between them, appended
// to a string that already holds text and grows past its first guess; then a cut.
TEST(CursorOutTest, WritesWhatCheckedAppendsWrite) {
  std::mt19937 random(3);
  for (int round = 0; round < 500; ++round) {
    const std::size_t size = random() % 300;
    std::unique_ptr<char[]> bytes(new char[size]);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + random() % 26);
    const std::string_view source(bytes.get(), size);

    std::string written = "kept";
    std::string expected = written;
    CursorOut out(written, source, random() % 8);
    std::size_t cut_at = out.Written();
    for (std::size_t from = 0; from < size;) {
      const std::size_t to = std::min<std::size_t>(size, from + random() % 100);
      out.Run(from, to);
      expected.append(source.substr(from, to - from));
      out.Put(Piece("&#38;"));
      expected += "&#38;";
      if (random() % 4 == 0) cut_at = out.Written();
      from = to + 1;
    }
    ASSERT_EQ(out.Written(), expected.size());
    out.CutTo(cut_at);
    out.Finish();
    ASSERT_EQ(written, expected.substr(0, cut_at)) << "round " << round;
  }
}

}  // namespace
}  // namespace trelka
