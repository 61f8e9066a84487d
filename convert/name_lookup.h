// Turning the host of a URL into the address to connect to, within a time limit and
// cancellable: the system's resolver has no time limit of its own that the caller controls.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>

#include "cancel_signal.h"

namespace trelka {

struct PeerAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;
};

// What a resolver answers for a name: getaddrinfo's result (0 for success) with errno, and the
// first IPv4 address.
struct ResolverAnswer {
  int result = 0;
  int error_number = 0;
  in_addr address{};
};
using Resolver = ResolverAnswer (*)(const std::string& name);

// The system's resolver. It may take as long as its name servers do.
[[nodiscard]] ResolverAnswer SystemResolver(const std::string& name);

// "LOCALHOST" in any letter case is 127.0.0.1, a dotted IPv4 address and a bracketed IPv6
// literal stand for themselves, and any other name is looked up with resolver on a thread of
// its own. Raises EIdSocketError with the resolver's number, or 10060 when the deadline
// passes first; RunCancelled when cancelled.
[[nodiscard]] PeerAddress LookUpHost(const std::string& host, std::uint16_t port, Deadline deadline,
                                     const CancelSignal& cancel,
                                     Resolver resolver = SystemResolver);

// The same address with another port.
void SetPort(PeerAddress& address, std::uint16_t port);

}  // namespace trelka
