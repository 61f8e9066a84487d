#include "socket_errors.h"

#include <netdb.h>

#include <array>
#include <cerrno>
#include <utility>

#include "http_failures.h"

namespace trelka {

namespace {

struct NumberText {
  int number;
  std::string_view text;
};

constexpr auto kTexts = std::to_array<NumberText>({
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
});

constexpr auto kErrnoToWinsock = std::to_array<std::pair<int, int>>({
    {EINTR, 10004},        {EBADF, 10009},           {EACCES, 10013},
    {EPERM, 10013},        {EFAULT, 10014},          {EINVAL, 10022},
    {EMFILE, 10024},       {ENFILE, 10024},          {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},  {EALREADY, 10037},        {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},   {EPFNOSUPPORT, 10046},    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},
    {ENETUNREACH, 10051},  {ENETRESET, 10052},       {ECONNABORTED, 10053},
    {EPIPE, 10053},        {ECONNRESET, 10054},      {ENOBUFS, 10055},
    {EISCONN, 10056},      {ENOTCONN, 10057},        {ESHUTDOWN, 10058},
    {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
});

}  // namespace

int WinsockNumberOfErrno(int error_number) {
  for (const auto& [from, to] : kErrnoToWinsock) {
    if (from == error_number) return to;
  }
  // Not a socket error by nature; keep the platform's number visible rather than invent one.
  return error_number;
}

int WinsockNumberOfResolverError(int resolver_error, int error_number) {
  switch (resolver_error) {
    case EAI_NONAME:
      return 11001;
    case EAI_AGAIN:
      return 11002;
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
      return 11004;
    case EAI_SYSTEM:
      return WinsockNumberOfErrno(error_number);
    default:
      return 11003;
  }
}

std::string_view WinsockErrorText(int number) {
  for (const auto& entry : kTexts) {
    if (entry.number == number) return entry.text;
  }
  return {};
}

std::string SocketErrorMessage(int number) {
  std::string message = "Socket Error # " + std::to_string(number) + "\r\n";
  message += WinsockErrorText(number);
  return message;
}

EIdSocketError::EIdSocketError(int number) : Failure(SocketErrorMessage(number)), number_(number) {}

}  // namespace trelka
