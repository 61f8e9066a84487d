#include "document/line_writer.h"

#include <gtest/gtest.h>

#include <random>

#include "line_list.h"
#include "test_support.h"
#include "text/codepage.h"
#include "text/xml_guard.h"

namespace trelka {
namespace {

using testing::Escaped;

std::string Written(std::initializer_list<std::string_view> texts) {
  Utf8Document document;
  LineWriter writer(document);
  for (std::string_view text : texts) writer.AppendText(text);
  return document.Text();
}

TEST(LineWriterTest, EveryBreakKindBecomesCrLf) {
  struct Case {
    const char* name;
    std::string text;
    std::string written;
  } cases[] = {
      {"empty", "", ""},
      {"one line", "a", "a\r\n"},
      {"break at the end adds no line", "a\r\n", "a\r\n"},
      {"CR LF", "a\r\nb", "a\r\nb\r\n"},
      {"lone LF", "a\nb\n", "a\r\nb\r\n"},
      {"lone CR", "a\rb\r", "a\r\nb\r\n"},
      {"CR LF CR gives an empty line", "a\r\n\rb", "a\r\n\r\nb\r\n"},
      {"LF CR is two breaks", "a\n\rb", "a\r\n\r\nb\r\n"},
      {"only a break", "\n", "\r\n"},
      {"NUL ends the text", std::string("a\nb\0c\nd", 7), "a\r\nb\r\n"},
      {"windows-1251 becomes UTF-8", "\xA8\xB0 \xC0\x98", "\xD0\x81\xC2\xB0 \xD0\x90\xC2\x98\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Escaped(Written({c.text})), Escaped(c.written)) << c.name;
  }
  EXPECT_EQ(Written({"a", std::string("b\0c", 3), "d"}), "a\r\nb\r\nd\r\n")
      << "a NUL cuts one text";
}

// The line list states the rules; the writer applies them while converting, piece by piece.
TEST(LineWriterTest, AgreesWithTheLineListOnRandomTextsInRandomPieces) {
  std::mt19937 random(7);
  const std::string alphabet("ab\r\n\r\n\xC0\xFF\x98", 9);
  for (int round = 0; round < 2000; ++round) {
    faithful::LineList list;
    Utf8Document document;
    LineWriter writer(document);
    for (int text = static_cast<int>(random() % 4); text > 0; --text) {
      std::string whole;
      for (int piece = static_cast<int>(random() % 4); piece > 0; --piece) {
        std::string part;
        for (int n = static_cast<int>(random() % 6); n > 0; --n) {
          part += random() % 40 == 0 ? '\0' : alphabet[random() % alphabet.size()];
        }
        writer.Append(part);
        whole += part;
      }
      writer.EndText();
      list.AppendText(whole);
    }
    ASSERT_EQ(Escaped(document.Text()), Escaped(Cp1251ToUtf8(list.Text()))) << "round " << round;
  }
}

// Long runs, so that the eight-bytes-at-a-time paths meet every byte value at every place in
// a word, the line-rule bytes rare among them.
TEST(LineWriterTest, AgreesWithTheLineListOnLongRunsOfEveryByte) {
  std::mt19937 random(11);
  for (int round = 0; round < 500; ++round) {
    faithful::LineList list;
    Utf8Document document;
    LineWriter writer(document);
    std::string text;
    for (int n = static_cast<int>(random() % 200); n > 0; --n) {
      const auto byte = static_cast<char>(random() % 256);
      const bool rule_byte = byte == '\0' || byte == '\r' || byte == '\n';
      text += rule_byte && random() % 8 != 0 ? 'x' : byte;
    }
    writer.AppendText(text);
    list.AppendText(text);
    ASSERT_EQ(Escaped(document.Text()), Escaped(Cp1251ToUtf8(list.Text()))) << "round " << round;
  }
}

// Guarding while converting writes what converting the guard's own copy writes: texts dense in
// the bytes the guard acts on, in pieces, some longer than the writer's chunk of 4096 bytes.
TEST(LineWriterTest, AppendGuardedAgreesWithTheGuardThenTheWriter) {
  std::mt19937 random(13);
  const std::string alphabet("ab<>&#;]x0\"\t\r\n\x01\xC0\xFF", 16);
  for (int round = 0; round < 3000; ++round) {
    const auto context = round % 2 == 0 ? XmlContext::kElement : XmlContext::kAttribute;
    Utf8Document guarded;
    Utf8Document reference;
    LineWriter guarding(guarded);
    LineWriter writer(reference);
    for (int piece = static_cast<int>(random() % 4); piece > 0; --piece) {
      std::string text;
      const int length = round % 100 == 0 ? 9000 : static_cast<int>(random() % 24);
      for (int n = length; n > 0; --n) {
        text += random() % 300 == 0 ? '\0' : alphabet[random() % alphabet.size()];
      }
      guarding.AppendGuarded(text, context);
      writer.Append(XmlGuard(text, context));
    }
    guarding.EndText();
    writer.EndText();
    ASSERT_EQ(Escaped(guarded.Text()), Escaped(reference.Text())) << "round " << round;
  }
}

TEST(Utf8DocumentTest, SpillsFullBlocksInOrderAndKeepsOne) {
  std::string spilled;
  int spills = 0;
  Utf8Document document([&](std::string_view block) {
    spilled.append(block);
    ++spills;
  });
  std::string expected;
  for (int i = 0; expected.size() < 3 * Utf8Document::kBlockBytes; ++i) {
    const std::string piece(static_cast<std::size_t>(1 + i % 5000),
                            static_cast<char>('a' + i % 26));
    document.Append(piece);
    expected += piece;
  }
  EXPECT_EQ(spills, static_cast<int>((expected.size() - 1) / Utf8Document::kBlockBytes));
  ASSERT_LE(document.Pieces().size(), 1u);
  for (std::string_view rest : document.Pieces()) spilled.append(rest);
  EXPECT_EQ(spilled, expected);
  EXPECT_EQ(document.Size(), expected.size());
}

// A writer may drop what it wrote last while that is in the current block, and never more.
TEST(Utf8DocumentTest, CutsBackOnlyWithinTheCurrentBlock) {
  Utf8Document document([](std::string_view /*block*/) {});
  document.Append("kept");
  document.Append("dropped");
  document.CutTo(4);
  document.Append("!");
  EXPECT_EQ(document.Pieces().front(), "kept!");
  const std::size_t before = document.Size();
  document.Append(std::string(Utf8Document::kBlockBytes, 'x'));  // spills the block
  EXPECT_THROW(document.CutTo(before), std::logic_error);
}

}  // namespace
}  // namespace trelka
