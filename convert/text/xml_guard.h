// The one guard every text passes through on its way into a waypoint element, so that no
// page or waypoint file can make the document unreadable for an XML reader.
//
// It removes the control bytes XML forbids (all below 20 but tab, LF and CR), turns "<" into
// "&#60;", keeps an "&" only where it starts a character reference to a character XML allows
// or one of the five predefined entities (every other "&" becomes "&#38;"), and turns a ">"
// right after "]]" into "&#62;". Text that already is well-formed character data passes
// unchanged.
#pragma once

#include <string>
#include <string_view>

namespace trelka {

enum class XmlContext {
  kElement,    // element content
  kAttribute,  // a double-quoted attribute value: the double quote becomes "&#34;" as well
};

[[nodiscard]] std::string XmlGuard(std::string_view text, XmlContext context);

// text as character data whatever it holds, for texts that are data and never markup (an
// address): every "&", "<" and ">" as a character reference, the double quote too in an
// attribute, and the control bytes XML forbids removed.
[[nodiscard]] std::string XmlEscape(std::string_view text, XmlContext context);

// Appends XmlGuard(text, context) to out without an intermediate string.
void AppendXmlGuarded(std::string& out, std::string_view text, XmlContext context);

}  // namespace trelka
