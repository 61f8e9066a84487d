#include "line_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "codepage.h"

namespace trelka {

namespace {

// Bytes of text converted per reservation: small, so that a block is never left much emptier
// than full.
constexpr std::size_t kChunkBytes = 4096;

}  // namespace

namespace {

// The UTF-8 of every byte, but with length 0 for the three bytes the line rules look at, so
// that one load per byte tells an ordinary byte from them.
const std::array<Utf8Character, 256>& WriterTable() {
  static const std::array<Utf8Character, 256> kTable = [] {
    std::array<Utf8Character, 256> table = Cp1251Utf8Table();
    for (const unsigned char special : {'\0', '\r', '\n'}) table[special].length = 0;
    return table;
  }();
  return kTable;
}

}  // namespace

void LineWriter::Append(std::string_view cp1251) {
  const auto& table = WriterTable();
  // The state in locals: the stores into the document may alias any member.
  bool line_open = line_open_;
  bool after_cr = after_cr_;
  while (!cut_ && !cp1251.empty()) {
    const std::string_view chunk = cp1251.substr(0, kChunkBytes);
    cp1251.remove_prefix(chunk.size());
    // Every byte becomes at most kMaxUtf8PerCp1251 bytes, a break two; one more byte of room
    // lets every character be stored with one fixed-size copy.
    char* const start = document_.Reserve(chunk.size() * kMaxUtf8PerCp1251 + 1);
    char* out = start;
    const char* in = chunk.data();
    const char* const end = in + chunk.size();
    while (in < end) {
      // A run of ordinary bytes, each one load and one fixed-size store.
      const char* const run = in;
      for (; in < end; ++in) {
        const Utf8Character& character = table[static_cast<unsigned char>(*in)];
        if (character.length == 0) break;
        std::memcpy(out, &character, sizeof character);
        out += character.length;
      }
      if (in != run) {
        after_cr = false;
        line_open = true;
      }
      if (in == end) break;
      const char c = *in++;
      if (c == '\0') {
        cut_ = true;
        break;
      }
      const bool joins_cr = c == '\n' && after_cr;
      after_cr = c == '\r';
      if (joins_cr) continue;
      *out++ = '\r';
      *out++ = '\n';
      line_open = false;
    }
    document_.Commit(static_cast<std::size_t>(out - start));
  }
  line_open_ = line_open;
  after_cr_ = after_cr;
}

void LineWriter::AppendUtf8(std::string_view utf8) {
  if (cut_ || utf8.empty()) return;
  document_.Append(utf8);
  line_open_ = true;
  after_cr_ = false;
}

void LineWriter::EndText() {
  if (line_open_) document_.Append("\r\n");
  line_open_ = false;
  after_cr_ = false;
  cut_ = false;
}

}  // namespace trelka
