// The Windows Sockets numbers for the POSIX side's error numbers, in one table.
#pragma once

namespace trelka {

// The Windows Sockets number for an errno value (ECONNREFUSED is 10061); a value that is not a
// socket error by nature is returned as it is.
[[nodiscard]] int WinsockNumberOfErrno(int error_number);

// The Windows Sockets resolver number for a getaddrinfo result (EAI_NONAME is 11001).
[[nodiscard]] int WinsockNumberOfResolverError(int resolver_error, int error_number);

}  // namespace trelka
