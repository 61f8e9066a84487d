// The four passes that prepare HTML fragments cut from a cache page for a place inside an XML
// element. They do not parse HTML: a tag is whatever lies between the first "<" and the first
// ">" of the text at that moment, and an entity is a fixed character sequence, so words that
// merely contain an entity's letters are changed as well. Each pass reads its text once, the
// entity table wherever its rows' occurrences cannot interact.
#pragma once

#include <string>
#include <string_view>

namespace trelka {

// Every tag becomes one "&#160;". A ">" standing before the next "<" is dropped; once no "<"
// is left, the rest stays as it is. A "<" with no ">" after it is the front of a tag that a
// cut has split: it and all text after it are dropped.
[[nodiscard]] std::string TagToNbsp(std::string_view text);

// As TagToNbsp, but a tag is removed without anything in its place.
[[nodiscard]] std::string TagStrip(std::string_view text);

// Substitutes the fourteen entity rows in turn, each row over the whole text: nbsp, the dash
// rows, times, laquo, raquo, deg, the quote rows, gt, hellip, prime, amp, ordm and acute. The
// rows delete a fixed number of characters around each occurrence, so a missing semicolon
// costs the following character, and a row whose deletion would start before the text
// prepends its replacement until the occurrence has moved far enough in.
[[nodiscard]] std::string EntityTable(std::string_view text);

// Whether EntityTable substitutes text in one copy, all rows at once, rather than row by row
// where their occurrences could interact. The result is the same either way; tests ask.
[[nodiscard]] bool EntityTableInOneCopy(std::string_view text);

// EntityTable row by row, the way it goes where the one copy does not; for the benchmarks,
// which weigh the two.
[[nodiscard]] std::string EntityTableRowByRow(std::string_view text);

// Every "&" not immediately followed by "#" becomes "&#38;"; nothing else changes.
[[nodiscard]] std::string AmpersandEscape(std::string_view text);

// AmpersandEscape(EntityTable(text)), in one copy wherever the table takes one.
[[nodiscard]] std::string EntityTableThenAmpersandEscape(std::string_view text);

}  // namespace trelka
