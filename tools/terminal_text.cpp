#include "terminal_text.h"

namespace trelka {

namespace {

std::string Shown(std::string_view utf8, bool keep_crlf) {
  std::string shown;
  shown.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
    // The socket errors join their two lines with CR LF, and a status text cannot hold one,
    // since the status line ends there; a lone CR or LF, though, could make outside text
    // overwrite or fake a line, so only the pair passes.
    if (keep_crlf && byte == '\r' && next == '\n') {
      shown += "\r\n";
      ++i;
    } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
      shown += '?';
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080-U+009F
      shown += '?';
      ++i;
    } else {
      shown += static_cast<char>(byte);
    }
  }
  return shown;
}

}  // namespace

std::string TerminalSafe(std::string_view utf8) { return Shown(utf8, true); }

std::string TerminalSafeLine(std::string_view utf8) { return Shown(utf8, false); }

}  // namespace trelka
