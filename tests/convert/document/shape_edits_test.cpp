#include "document/shape_edits.h"

#include <gtest/gtest.h>

#include <random>

namespace trelka {
namespace {

struct Replace {
  std::size_t at;
  std::size_t length;
  std::string replacement;
};

// The edits applied to a plain string, one after the other from the back.
std::string Expected(std::string text, const std::vector<Replace>& edits) {
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
    text.replace(edit->at, edit->length, edit->replacement);
  }
  return text;
}

std::string Edited(const std::string& text, const std::vector<Replace>& edits) {
  Utf8Document document;
  document.Append(text);
  ShapeEdits shape;
  for (const Replace& edit : edits) {
    shape.Replacements().Append(edit.replacement);
    shape.Add(edit.at, edit.length, edit.replacement.size());
  }
  return shape.Apply(document);
}

TEST(ShapeEditsTest, EditsAtTheEndsAndBetween) {
  const std::string text = "0123456789";
  const struct {
    const char* what;
    std::vector<Replace> edits;
  } rows[] = {
      {"none", {}},
      {"at the start", {{0, 2, "ab"}}},
      {"at the end", {{8, 2, "xyz"}}},
      {"an insertion", {{5, 0, "++"}}},
      {"a deletion", {{5, 3, ""}}},
      {"side by side", {{1, 1, "a"}, {2, 2, "bb"}, {4, 0, "c"}}},
      {"the whole text", {{0, 10, "new"}}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Edited(text, row.edits), Expected(text, row.edits)) << row.what;
  }
}

// Text and replacements over several blocks, edits across their edges.
TEST(ShapeEditsTest, EditsAcrossBlocks) {
  constexpr std::size_t kBlock = Utf8Document::kBlockBytes;
  std::mt19937 random(19);
  std::string text(2 * kBlock + 1000, ' ');
  for (char& c : text) c = static_cast<char>('a' + random() % 26);
  std::vector<Replace> edits = {{kBlock - 3, 6, std::string(kBlock / 2, 'X')},
                                {kBlock + 10, 0, std::string(kBlock, 'Y')},
                                {2 * kBlock - 1, 2, "Z"},
                                {text.size() - 1, 1, ""}};
  EXPECT_TRUE(Edited(text, edits) == Expected(text, edits));
}

TEST(ShapeEditsTest, OverlappingEditsAreRefused) {
  ShapeEdits shape;
  shape.Add(5, 3, 0);
  EXPECT_THROW(shape.Add(7, 1, 0), std::logic_error);
}

}  // namespace
}  // namespace trelka
