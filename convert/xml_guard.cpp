#include "xml_guard.h"

#include <algorithm>
#include <array>

namespace trelka {

namespace {

bool IsForbiddenControl(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

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

std::string WithoutForbiddenControls(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (!IsForbiddenControl(static_cast<unsigned char>(c))) kept += c;
  }
  return kept;
}

}  // namespace

void AppendXmlGuarded(std::string& out, std::string_view text, XmlContext context) {
  // Control bytes go first, so that removing them cannot join two halves into markup.
  std::string cleaned;
  if (std::any_of(text.begin(), text.end(),
                  [](char c) { return IsForbiddenControl(static_cast<unsigned char>(c)); })) {
    cleaned = WithoutForbiddenControls(text);
    text = cleaned;
  }

  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '<':
        out += "&#60;";
        break;
      case '&':
        if (StartsCharacterReference(text, i) || StartsPredefinedEntity(text, i)) {
          out += '&';
        } else {
          out += "&#38;";
        }
        break;
      case '>':
        if (i >= 2 && text[i - 1] == ']' && text[i - 2] == ']') {
          out += "&#62;";
        } else {
          out += '>';
        }
        break;
      case '"':
        if (context == XmlContext::kAttribute) {
          out += "&#34;";
        } else {
          out += '"';
        }
        break;
      default:
        out += c;
    }
  }
}

std::string XmlGuard(std::string_view text, XmlContext context) {
  std::string out;
  out.reserve(text.size());
  AppendXmlGuarded(out, text, context);
  return out;
}

}  // namespace trelka
