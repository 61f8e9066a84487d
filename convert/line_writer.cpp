#include "line_writer.h"

#include <algorithm>
#include <cstring>

#include "codepage.h"

namespace trelka {

namespace {

// Bytes of text converted per reservation: small, so that a block is never left much emptier
// than full.
constexpr std::size_t kChunkBytes = 4096;

}  // namespace

void LineWriter::Append(std::string_view cp1251) {
  const auto& table = Cp1251Utf8Table();
  while (!cut_ && !cp1251.empty()) {
    const std::string_view chunk = cp1251.substr(0, kChunkBytes);
    cp1251.remove_prefix(chunk.size());
    // Every byte becomes at most kMaxUtf8PerCp1251 bytes; a break, two.
    char* const start = document_.Reserve(chunk.size() * kMaxUtf8PerCp1251);
    char* out = start;
    for (const char c : chunk) {
      if (c == '\n' || c == '\r' || c == '\0') {
        if (c == '\0') {
          cut_ = true;
          break;
        }
        const bool joins_cr = c == '\n' && after_cr_;
        after_cr_ = c == '\r';
        if (joins_cr) continue;
        *out++ = '\r';
        *out++ = '\n';
        line_open_ = false;
        continue;
      }
      after_cr_ = false;
      line_open_ = true;
      const Utf8Character& character = table[static_cast<unsigned char>(c)];
      std::memcpy(out, character.bytes.data(), kMaxUtf8PerCp1251);
      out += character.length;
    }
    document_.Commit(static_cast<std::size_t>(out - start));
  }
}

void LineWriter::EndText() {
  if (line_open_) document_.Append("\r\n");
  line_open_ = false;
  after_cr_ = false;
  cut_ = false;
}

}  // namespace trelka
