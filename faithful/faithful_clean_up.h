// The clean-up passes written the slow, obvious way: every round searches the whole text from
// its start with Pos and changes it with Delete and Insert. The tests and the benchmark hold
// the linear passes of clean_up.h against these.
#pragma once

#include <string>
#include <string_view>

namespace trelka::faithful {

void TagToNbsp(std::string& text);
void TagStrip(std::string& text);
void EntityTable(std::string& text);
[[nodiscard]] std::string AmpersandEscape(std::string_view text);

}  // namespace trelka::faithful
