#include "platform/net_address.h"

#include "platform/windows/system_headers.h"
#include "platform/windows/wide_text.h"

namespace trelka {

static_assert(sizeof(PeerAddress::storage) >= sizeof(sockaddr_storage));

PeerAddress Ipv4PeerAddress(std::uint32_t address) {
  PeerAddress peer;
  auto* ipv4 = reinterpret_cast<sockaddr_in*>(peer.storage.data());
  ipv4->sin_family = AF_INET;
  ipv4->sin_addr.s_addr = htonl(address);
  peer.length = sizeof(sockaddr_in);
  return peer;
}

std::optional<PeerAddress> Ipv6PeerAddress(const std::string& literal) {
  StartWinsock();
  PeerAddress peer;
  auto* ipv6 = reinterpret_cast<sockaddr_in6*>(peer.storage.data());
  if (::inet_pton(AF_INET6, literal.c_str(), &ipv6->sin6_addr) != 1) return std::nullopt;
  ipv6->sin6_family = AF_INET6;
  peer.length = sizeof(sockaddr_in6);
  return peer;
}

void SetPort(PeerAddress& address, std::uint16_t port) {
  auto* any = reinterpret_cast<sockaddr*>(address.storage.data());
  if (any->sa_family == AF_INET6) {
    reinterpret_cast<sockaddr_in6*>(any)->sin6_port = htons(port);
  } else {
    reinterpret_cast<sockaddr_in*>(any)->sin_port = htons(port);
  }
}

ResolverAnswer SystemResolver(const std::string& name) {
  StartWinsock();
  ADDRINFOW hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  ADDRINFOW* found = nullptr;
  // The answer is already a Windows Sockets number (WSAHOST_NOT_FOUND is 11001).
  const int result = ::GetAddrInfoW(Utf16Of(name).c_str(), nullptr, &hints, &found);
  ResolverAnswer answer;
  if (result != 0) {
    answer.error = result;
    return answer;
  }
  answer.ipv4 = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
  ::FreeAddrInfoW(found);
  return answer;
}

}  // namespace trelka
