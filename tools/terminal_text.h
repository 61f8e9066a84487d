// Outside text made safe to print on a terminal. A failure message can carry what a page
// service sent (a status text, for one); its control characters could retitle, clear or
// otherwise drive the user's terminal, so each is shown as "?" instead.
#pragma once

#include <string>
#include <string_view>

namespace trelka {

// utf8 with every C0 control but tab, DEL and every C1 control (U+0080-U+009F) shown as "?".
// A CR LF pair stays: it is the line break of the library's own two-line messages.
[[nodiscard]] std::string TerminalSafe(std::string_view utf8);

// The same for text that is one line (an option's value, an id): CR LF is shown as "??" too.
[[nodiscard]] std::string TerminalSafeLine(std::string_view utf8);

}  // namespace trelka
