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

#include "text/byte_stops.h"

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

// The guard in parts, for a writer that guards a text as it copies it (the document's line
// writer). A text with a forbidden control byte is guarded as WithoutForbiddenControls(text);
// in one without, the bytes from NextToGuard on are each written as GuardedByte says, and all
// others as they are.
[[nodiscard]] bool HasForbiddenControl(std::string_view text);
[[nodiscard]] std::string WithoutForbiddenControls(std::string_view text);
// The bytes below this one are the control bytes.
inline constexpr unsigned char kFirstNonControl = 0x20;
// The bytes the guard may change: "<", ">", "&", every control byte (tab, LF and CR among
// them) and, in an attribute, the double quote.
inline constexpr ByteStops kElementGuardStops(kFirstNonControl, {'<', '>', '&', '&'});
inline constexpr ByteStops kAttributeGuardStops(kFirstNonControl, {'<', '>', '&', '"'});
[[nodiscard]] constexpr const ByteStops& GuardStops(XmlContext context) {
  return context == XmlContext::kAttribute ? kAttributeGuardStops : kElementGuardStops;
}
// The first of them from from on; text.size() if none.
[[nodiscard]] inline std::size_t NextToGuard(std::string_view text, std::size_t from,
                                             XmlContext context) {
  return NextStop(text, from, GuardStops(context));
}
// What text[at], a byte NextToGuard stops at, becomes; tab, LF and CR stay. A forbidden control
// byte gives an empty text: a writer that meets one has to guard the text anew, without them.
[[nodiscard]] std::string_view GuardedByte(std::string_view text, std::size_t at,
                                           XmlContext context);
// The longest text GuardedByte gives: "&#60;", "&#38;", "&#62;" or "&#34;".
inline constexpr std::size_t kLongestGuardedByte = 5;

}  // namespace trelka
