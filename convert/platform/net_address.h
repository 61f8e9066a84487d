// Addresses to connect to, and the system's resolver. Failures are Windows Sockets numbers on
// every platform (a name that does not exist is 11001).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace trelka {

// An IPv4 or IPv6 address with its port, in the system's own form.
struct PeerAddress {
  alignas(8) std::array<unsigned char, 128> storage{};
  std::uint32_t length = 0;
};

[[nodiscard]] PeerAddress Ipv4PeerAddress(std::uint32_t address);  // host byte order

// The address an IPv6 literal (without brackets) stands for; nothing when it is not one.
[[nodiscard]] std::optional<PeerAddress> Ipv6PeerAddress(const std::string& literal);

// The same address with another port.
void SetPort(PeerAddress& address, std::uint16_t port);

// What a resolver answers for a name: 0 or the Windows Sockets number of its failure, and the
// first IPv4 address (host byte order).
struct ResolverAnswer {
  int error = 0;
  std::uint32_t ipv4 = 0;
};
using Resolver = ResolverAnswer (*)(const std::string& name);

// The system's resolver. It may take as long as its name servers do.
[[nodiscard]] ResolverAnswer SystemResolver(const std::string& name);

}  // namespace trelka
