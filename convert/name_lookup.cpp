#include "name_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>

#include <atomic>
#include <charconv>
#include <cstring>
#include <memory>
#include <thread>

#include "http_failures.h"
#include "socket_errors.h"
#include "text_primitives.h"

namespace trelka {

namespace {

// Four decimal numbers from 0 to 255 joined by dots, and nothing else.
bool ParseDottedIpv4(std::string_view text, in_addr& address) {
  std::uint32_t value = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (text.empty() || text.front() != '.') return false;
      text.remove_prefix(1);
    }
    unsigned number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end == text.data() || number > 255) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    value = value << 8 | number;
  }
  if (!text.empty()) return false;
  address.s_addr = htonl(value);
  return true;
}

PeerAddress Ipv4(in_addr address) {
  PeerAddress peer;
  auto* ipv4 = reinterpret_cast<sockaddr_in*>(&peer.storage);
  ipv4->sin_family = AF_INET;
  ipv4->sin_addr = address;
  peer.length = sizeof(sockaddr_in);
  return peer;
}

// One lookup on a thread of its own, so that the caller can stop waiting for it. Whoever
// finishes last, the thread or the caller, frees it.
struct Lookup {
  std::string host;
  Resolver resolver = nullptr;
  UniqueFd done{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
  std::atomic<bool> finished{false};
  ResolverAnswer answer;

  void Resolve() {
    answer = resolver(host);
    finished.store(true, std::memory_order_release);
    const std::uint64_t one = 1;
    (void)RetryOnInterrupt([&] { return ::write(done.Get(), &one, sizeof one); });
  }
};

in_addr Resolve(const std::string& host, Deadline deadline, const CancelSignal& cancel,
                Resolver resolver) {
  auto lookup = std::make_shared<Lookup>();
  if (!lookup->done.IsOpen()) throw EIdSocketError(WinsockNumberOfErrno(errno));
  lookup->host = host;
  lookup->resolver = resolver;
  std::thread([lookup] { lookup->Resolve(); }).detach();
  while (!lookup->finished.load(std::memory_order_acquire)) {
    if (!WaitUntilReady(lookup->done.Get(), POLLIN, deadline, cancel)) {
      throw EIdSocketError(kWsaTimedOut);
    }
  }
  const ResolverAnswer& answer = lookup->answer;
  if (answer.result != 0) {
    throw EIdSocketError(WinsockNumberOfResolverError(answer.result, answer.error_number));
  }
  return answer.address;
}

}  // namespace

ResolverAnswer SystemResolver(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  ResolverAnswer answer;
  answer.result = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
  answer.error_number = errno;
  if (answer.result == 0) {
    answer.address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
  }
  return answer;
}

PeerAddress LookUpHost(const std::string& host, std::uint16_t port, Deadline deadline,
                       const CancelSignal& cancel, Resolver resolver) {
  PeerAddress peer;
  in_addr ipv4{};
  if (EqualsIgnoringCase(host, "LOCALHOST")) {
    ipv4.s_addr = htonl(INADDR_LOOPBACK);
    peer = Ipv4(ipv4);
  } else if (ParseDottedIpv4(host, ipv4)) {
    peer = Ipv4(ipv4);
  } else if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&peer.storage);
    const std::string literal = host.substr(1, host.size() - 2);
    if (::inet_pton(AF_INET6, literal.c_str(), &ipv6->sin6_addr) != 1) {
      throw EIdSocketError(WinsockNumberOfResolverError(EAI_NONAME, 0));
    }
    ipv6->sin6_family = AF_INET6;
    peer.length = sizeof(sockaddr_in6);
  } else {
    peer = Ipv4(Resolve(host, deadline, cancel, resolver));
  }
  SetPort(peer, port);
  return peer;
}

void SetPort(PeerAddress& address, std::uint16_t port) {
  if (address.storage.ss_family == AF_INET6) {
    reinterpret_cast<sockaddr_in6*>(&address.storage)->sin6_port = htons(port);
  } else {
    reinterpret_cast<sockaddr_in*>(&address.storage)->sin_port = htons(port);
  }
}

}  // namespace trelka
