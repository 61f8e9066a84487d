#include "http/name_lookup.h"

#include <charconv>
#include <memory>
#include <thread>

#include "http/http_failures.h"
#include "http/socket_errors.h"
#include "text/text_primitives.h"

namespace trelka {

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;  // 127.0.0.1
constexpr int kWsaHostNotFound = 11001;

// Four decimal numbers from 0 to 255 joined by dots, and nothing else.
bool ParseDottedIpv4(std::string_view text, std::uint32_t& address) {
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
  address = value;
  return true;
}

// One lookup on a thread of its own, so that the caller can stop waiting for it. Whoever
// finishes last, the thread or the caller, frees it.
struct Lookup {
  std::string host;
  Resolver resolver = nullptr;
  CancelSignal done;  // given once answer is set
  ResolverAnswer answer;

  void Resolve() {
    answer = resolver(host);
    done.Cancel();
  }
};

std::uint32_t Resolve(const std::string& host, Deadline deadline, const CancelSignal& cancel,
                      Resolver resolver) {
  auto lookup = std::make_shared<Lookup>();
  lookup->host = host;
  lookup->resolver = resolver;
  std::thread([lookup] { lookup->Resolve(); }).detach();
  if (!WaitForSignal(lookup->done, deadline, cancel)) throw EIdSocketError(kWsaTimedOut);
  const ResolverAnswer& answer = lookup->answer;
  if (answer.error != 0) throw EIdSocketError(answer.error);
  return answer.ipv4;
}

}  // namespace

PeerAddress LookUpHost(const std::string& host, std::uint16_t port, Deadline deadline,
                       const CancelSignal& cancel, Resolver resolver) {
  PeerAddress peer;
  std::uint32_t ipv4 = 0;
  if (EqualsIgnoringCase(host, "LOCALHOST")) {
    peer = Ipv4PeerAddress(kLoopback);
  } else if (ParseDottedIpv4(host, ipv4)) {
    peer = Ipv4PeerAddress(ipv4);
  } else if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    const std::optional<PeerAddress> ipv6 = Ipv6PeerAddress(host.substr(1, host.size() - 2));
    if (!ipv6) throw EIdSocketError(kWsaHostNotFound);
    peer = *ipv6;
  } else {
    peer = Ipv4PeerAddress(Resolve(host, deadline, cancel, resolver));
  }
  SetPort(peer, port);
  return peer;
}

}  // namespace trelka
