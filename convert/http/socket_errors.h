// Socket error numbers as the user sees them: the Windows Sockets numbering, whatever the
// platform, with the texts of the failure messages.
#pragma once

#include <string>
#include <string_view>

#include "platform/socket.h"  // kWsaTimedOut

namespace trelka {

// The text for a number, or empty for numbers the table does not list.
[[nodiscard]] std::string_view WinsockErrorText(int number);

// "Socket Error # N", CR LF, and the number's text.
[[nodiscard]] std::string SocketErrorMessage(int number);

}  // namespace trelka
