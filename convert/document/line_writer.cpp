#include "document/line_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "text/codepage.h"
#include "text/utf8_runs.h"
#include "text/xml_guard.h"

namespace trelka {

namespace {

// Bytes of text converted per reservation: small, so that a block is never left much emptier
// than full.
constexpr std::size_t kChunkBytes = 4096;

// The bytes the line rules look at: NUL, CR and LF.
constexpr ByteStops kLineRuleStops(1, {'\r', '\n', '\n', '\n'});

}  // namespace

void LineWriter::Append(std::string_view cp1251) { Write<false>(cp1251, XmlContext::kElement); }

// Every byte becomes at most this many bytes, a break two; one more byte of room lets every
// character be stored with one fixed-size copy.
template <bool kGuarded>
constexpr std::size_t kMostOutPerByte = kGuarded ? std::max(kMaxUtf8PerCp1251, kLongestGuardedByte)
                                                 : kMaxUtf8PerCp1251;

void LineWriter::AppendGuarded(std::string_view cp1251, XmlContext context) {
  // Nearly no text holds a forbidden control byte, so one is written at once and, should one
  // turn up, written anew without them, what it wrote dropped: possible while it all stays in
  // the document's current block. Where it might not, the text is looked through first.
  const std::size_t most = (cp1251.size() + kChunkBytes) * kMostOutPerByte<true> + 1;
  if (document_.RoomInBlock() >= most) {
    const std::size_t size = document_.Size();
    const bool line_open = line_open_;
    const bool after_cr = after_cr_;
    if (Write<true>(cp1251, context)) return;
    document_.CutTo(size);
    line_open_ = line_open;
    after_cr_ = after_cr;
  } else if (!HasForbiddenControl(cp1251)) {
    Write<true>(cp1251, context);
    return;
  }
  Write<true>(WithoutForbiddenControls(cp1251), context);
}

template <bool kGuarded>
bool LineWriter::Write(std::string_view text, XmlContext context) {
  // The state in locals: the stores into the document may alias any member.
  bool line_open = line_open_;
  bool after_cr = after_cr_;
  std::size_t at = 0;
  while (!cut_ && at < text.size()) {
    const std::size_t chunk_end = std::min(text.size(), at + kChunkBytes);
    char* const start = document_.Reserve((chunk_end - at) * kMostOutPerByte<kGuarded> + 1);
    char* out = start;
    while (at < chunk_end) {
      // A run of ordinary bytes, then the byte that ends it.
      const Utf8Run run =
          Cp1251ToUtf8UntilStop(text.data() + at, text.data() + chunk_end,
                                kGuarded ? GuardStops(context) : kLineRuleStops, out);
      const auto run_end = static_cast<std::size_t>(run.in - text.data());
      if (run_end != at) {
        after_cr = false;
        line_open = true;
      }
      out = run.out;
      at = run_end;
      if (at == chunk_end) break;
      const char c = text[at];
      if (c == '\r' || c == '\n') {
        ++at;
        const bool joins_cr = c == '\n' && after_cr;
        after_cr = c == '\r';
        if (joins_cr) continue;
        *out++ = '\r';
        *out++ = '\n';
        line_open = false;
      } else if constexpr (kGuarded) {
        // The guard's form of the byte, all of it ASCII; none for a forbidden control byte.
        const std::string_view form = GuardedByte(text, at, context);
        if (form.empty()) {
          document_.Commit(static_cast<std::size_t>(out - start));
          return false;
        }
        std::memcpy(out, form.data(), form.size());
        out += form.size();
        ++at;
        after_cr = false;
        line_open = true;
      } else {
        cut_ = true;  // a NUL
        break;
      }
    }
    document_.Commit(static_cast<std::size_t>(out - start));
  }
  line_open_ = line_open;
  after_cr_ = after_cr;
  return true;
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
