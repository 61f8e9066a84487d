#include "document/line_writer.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "text/codepage.h"
#include "text/word_scan.h"

namespace trelka {

namespace {

using word_scan::Word;

// Bytes of text converted per reservation: small, so that a block is never left much emptier
// than full.
constexpr std::size_t kChunkBytes = 4096;

// The first NUL, CR or LF from in on (the bytes the line rules look at), else end.
const char* NextLineRuleByte(const char* in, const char* const end) {
  for (; end - in >= static_cast<std::ptrdiff_t>(sizeof(Word)); in += sizeof(Word)) {
    const Word w = word_scan::Load(in);
    const Word marks =
        word_scan::MarkBelow(w, 1) | word_scan::MarkEqual(w, '\r') | word_scan::MarkEqual(w, '\n');
    if (marks != 0) return in + word_scan::FirstMarked(marks);
  }
  while (in < end && *in != '\0' && *in != '\r' && *in != '\n') ++in;
  return in;
}

// Converts bytes that hold no NUL, CR or LF to out, which has room for three bytes each and
// one more; returns the end of what was written. Eight ASCII bytes go over as they are, other
// bytes each through the table: one load and one fixed-size store, no test per byte.
char* ConvertRun(const char* in, const char* const end, char* out) {
  const auto& table = Cp1251Utf8Table();
  const auto convert = [&table](const char* from, const char* to, char* into) {
    for (; from < to; ++from) {
      // One load of the entry, its length taken from the loaded word.
      std::uint32_t entry;
      std::memcpy(&entry, &table[static_cast<unsigned char>(*from)], sizeof entry);
      std::memcpy(into, &entry, sizeof entry);
      into += std::endian::native == std::endian::little ? entry >> 24 : entry & 0xFF;
    }
    return into;
  };
  for (; end - in >= static_cast<std::ptrdiff_t>(sizeof(Word)); in += sizeof(Word)) {
    const Word w = word_scan::Load(in);
    if ((w & word_scan::kHighBits) == 0) {
      std::memcpy(out, &w, sizeof w);
      out += sizeof w;
    } else {
      out = convert(in, in + sizeof(Word), out);
    }
  }
  return convert(in, end, out);
}

}  // namespace

void LineWriter::Append(std::string_view cp1251) {
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
      // A run of ordinary bytes, then the byte that ends it.
      const char* const run_end = NextLineRuleByte(in, end);
      if (run_end != in) {
        out = ConvertRun(in, run_end, out);
        after_cr = false;
        line_open = true;
      }
      in = run_end;
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
