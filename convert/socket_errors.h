// Socket error numbers as the user sees them: the Windows Sockets numbering, whatever the
// platform, with the texts of the failure messages.
#pragma once

#include <string>
#include <string_view>

namespace trelka {

inline constexpr int kWsaTimedOut = 10060;

// The Windows Sockets number for a platform errno value (ECONNREFUSED is 10061).
[[nodiscard]] int WinsockNumberOfErrno(int error_number);

// The Windows Sockets resolver number for a getaddrinfo result (EAI_NONAME is 11001).
[[nodiscard]] int WinsockNumberOfResolverError(int resolver_error, int error_number);

// The text for a number, or empty for numbers the table does not list.
[[nodiscard]] std::string_view WinsockErrorText(int number);

// "Socket Error # N", CR LF, and the number's text.
[[nodiscard]] std::string SocketErrorMessage(int number);

}  // namespace trelka
