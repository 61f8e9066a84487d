#include "platform/posix/socket_error_numbers.h"

#include <netdb.h>

#include <array>
#include <cerrno>
#include <utility>

namespace trelka {

namespace {

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

}  // namespace trelka
