// Turning the host of a URL into the address to connect to, within a time limit and
// cancellable: the system's resolver has no time limit of its own that the caller controls.
#pragma once

#include <cstdint>
#include <string>

#include "platform/cancel_signal.h"
#include "platform/net_address.h"

namespace trelka {

// "LOCALHOST" in any letter case is 127.0.0.1, a dotted IPv4 address and a bracketed IPv6
// literal stand for themselves, and any other name is looked up with resolver on a thread of
// its own. Raises EIdSocketError with the resolver's number, or 10060 when the deadline
// passes first; RunCancelled when cancelled.
[[nodiscard]] PeerAddress LookUpHost(const std::string& host, std::uint16_t port, Deadline deadline,
                                     const CancelSignal& cancel,
                                     Resolver resolver = SystemResolver);

}  // namespace trelka
