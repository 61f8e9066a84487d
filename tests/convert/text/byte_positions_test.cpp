#include "text/byte_positions.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace trelka {
namespace {

std::vector<std::size_t> Positions(std::string_view text, std::string_view wanted) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (wanted.find(text[i]) != std::string_view::npos) found.push_back(i);
  }
  return found;
}

// Texts of every length around the sixteen-byte blocks and the sixty-four-byte windows, each in
// a heap block of exactly its size (so that a read past the end is one the sanitizers see),
// with wanted bytes, NUL among them, at random places and at both ends.
TEST(BytePositionsTest, FindsEveryWantedByteAndNothingPastTheEnd) {
  std::mt19937 random(5);
  for (std::size_t length = 0; length <= 200; ++length) {
    for (int round = 0; round < 20; ++round) {
      std::unique_ptr<char[]> bytes(new char[length]);
      for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = random() % 6 == 0 ? "&<\0"[random() % 3] : static_cast<char>('a' + random() % 3);
      }
      if (length > 0 && round % 2 == 0) bytes[0] = bytes[length - 1] = '\0';
      const std::string_view text(bytes.get(), length);

      BytePositions<3> positions(text, {'&', '<', '\0'});
      std::vector<std::size_t> found;
      for (std::size_t at = positions.Next(); at != std::string_view::npos; at = positions.Next()) {
        found.push_back(at);
      }
      ASSERT_EQ(found, Positions(text, std::string_view("&<\0", 3))) << "length " << length;
      EXPECT_EQ(positions.Next(), std::string_view::npos) << "and after the end, still none";
    }
  }
}

}  // namespace
}  // namespace trelka
