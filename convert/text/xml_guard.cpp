#include "text/xml_guard.h"

#include <algorithm>
#include <array>

#include "text/word_scan.h"

namespace trelka {

namespace {

bool IsForbiddenControl(unsigned char c) {
  return c < kFirstNonControl && c != '\t' && c != '\n' && c != '\r';
}

bool IsXmlChar(unsigned long code) {
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
         (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

int DigitValue(char c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Whether text[at] == '&' begins a character reference to a character XML allows.
bool StartsCharacterReference(std::string_view text, std::size_t at) {
  std::size_t i = at + 1;
  if (i >= text.size() || text[i] != '#') return false;
  ++i;
  int base = 10;
  if (i < text.size() && text[i] == 'x') {
    base = 16;
    ++i;
  }
  unsigned long code = 0;
  std::size_t digits = 0;
  for (; i < text.size(); ++i) {
    const int value = DigitValue(text[i], base);
    if (value < 0) break;
    if (code <= 0x10FFFF)
      code = code * static_cast<unsigned long>(base) + static_cast<unsigned long>(value);
    ++digits;
  }
  return digits > 0 && i < text.size() && text[i] == ';' && IsXmlChar(code);
}

bool StartsPredefinedEntity(std::string_view text, std::size_t at) {
  static constexpr std::array<std::string_view, 5> kEntities = {"&amp;", "&lt;", "&gt;", "&quot;",
                                                                "&apos;"};
  const std::string_view rest = text.substr(at);
  for (std::string_view entity : kEntities) {
    if (rest.starts_with(entity)) return true;
  }
  return false;
}

// Room in out for text from "from" on at its longest, so that an output outgrowing its room
// moves to a larger place once rather than each time it doubles.
void MakeRoomForTheRest(std::string& out, std::string_view text, std::size_t from,
                        XmlContext context) {
  std::size_t room = text.size() - from;
  for (std::size_t i = NextToGuard(text, from, context); i < text.size();
       i = NextToGuard(text, i + 1, context)) {
    room += kLongestGuardedByte - 1;
  }
  out.reserve(out.size() + room);
}

// Appends the guarded form of a text without forbidden control bytes.
void AppendGuarded(std::string& out, std::string_view text, XmlContext context) {
  if (out.capacity() - out.size() < text.size() + kLongestGuardedByte) {
    out.reserve(out.size() + text.size() + kLongestGuardedByte);
  }
  std::size_t i = 0;
  while (i < text.size()) {
    // Ordinary characters go over in runs; only the bytes below need a look.
    const std::size_t run_end = NextToGuard(text, i, context);
    if (out.capacity() - out.size() < run_end - i + kLongestGuardedByte) {
      MakeRoomForTheRest(out, text, i, context);
    }
    out.append(text, i, run_end - i);
    i = run_end;
    if (i == text.size()) break;
    out.append(GuardedByte(text, i, context));
    ++i;
  }
}

}  // namespace

std::string_view GuardedByte(std::string_view text, std::size_t at, XmlContext context) {
  switch (text[at]) {
    case '<':
      return "&#60;";
    case '&':
      return StartsCharacterReference(text, at) || StartsPredefinedEntity(text, at) ? "&" : "&#38;";
    case '>':
      return at >= 2 && text[at - 1] == ']' && text[at - 2] == ']' ? "&#62;" : ">";
    case '"':
      return context == XmlContext::kAttribute ? "&#34;" : "\"";
    default:
      // Tab, LF and CR stay; a forbidden control byte gives nothing, for the text is one to
      // be guarded without them.
      return IsForbiddenControl(static_cast<unsigned char>(text[at])) ? std::string_view()
                                                                      : text.substr(at, 1);
  }
}

bool HasForbiddenControl(std::string_view text) {
  using word_scan::Passes;
  using word_scan::Splat;
  std::size_t i = 0;
  for (; text.size() - i >= sizeof(word_scan::Block); i += sizeof(word_scan::Block)) {
    const word_scan::Block b = word_scan::LoadBlock(text.data() + i);
    // Most blocks hold no control at all; the few with a line break are looked at closer.
    if (word_scan::FirstSet(Passes(b < Splat(kFirstNonControl))) == sizeof(word_scan::Block)) {
      continue;
    }
    const word_scan::Block forbidden =
        Passes(b < Splat(kFirstNonControl)) &
        ~(Passes(b == Splat('\t')) | Passes(b == Splat('\n')) | Passes(b == Splat('\r')));
    if (word_scan::FirstSet(forbidden) < sizeof(word_scan::Block)) return true;
  }
  return std::any_of(text.begin() + static_cast<std::ptrdiff_t>(i), text.end(),
                     [](char c) { return IsForbiddenControl(static_cast<unsigned char>(c)); });
}

std::string WithoutForbiddenControls(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (!IsForbiddenControl(static_cast<unsigned char>(c))) kept += c;
  }
  return kept;
}

void AppendXmlGuarded(std::string& out, std::string_view text, XmlContext context) {
  // Control bytes go first, so that removing them cannot join two halves into markup.
  if (HasForbiddenControl(text)) {
    AppendGuarded(out, WithoutForbiddenControls(text), context);
  } else {
    AppendGuarded(out, text, context);
  }
}

std::string XmlGuard(std::string_view text, XmlContext context) {
  std::string out;
  out.reserve(text.size());
  AppendXmlGuarded(out, text, context);
  return out;
}

std::string XmlEscape(std::string_view text, XmlContext context) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '&') {
      out += "&#38;";
    } else if (c == '<') {
      out += "&#60;";
    } else if (c == '>') {
      out += "&#62;";
    } else if (c == '"' && context == XmlContext::kAttribute) {
      out += "&#34;";
    } else if (!IsForbiddenControl(static_cast<unsigned char>(c))) {
      out += c;
    }
  }
  return out;
}

}  // namespace trelka
