// IdHTTP: the page client. One blocking HTTP/1.0 GET per cache page on a new TCP connection,
// with fixed request lines and no proxy, redirects, keep-alive, cookies or compression.
// Every wait is bounded and watches the run's cancel signal, so that neither a silent server
// nor a slow one can hold the caller for good.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "http/name_lookup.h"
#include "http/page_source.h"

namespace trelka {

inline constexpr std::string_view kAcceptValue = "text/html, */*";
inline constexpr std::string_view kUserAgentValue = "Mozilla/3.0 (compatible; Indy Library)";

// An expired limit fails the exchange as socket error 10060, "Connection timed out.".
struct ExchangeLimits {
  // Looking the host up and connecting, together.
  std::chrono::milliseconds connect{30'000};
  // Each wait for the server, and the span of the progress rule: once the request is sent,
  // fewer than progress_bytes arriving within any such span fail the exchange.
  std::chrono::milliseconds receive{60'000};
  std::size_t progress_bytes = 1024;
};

class IdHTTP final : public PageSource {
 public:
  // Tests shorten the limits and stand in for the system's resolver.
  explicit IdHTTP(ExchangeLimits limits = {}, Resolver resolver = SystemResolver)
      : limits_(limits), resolver_(resolver) {}

  // Forgets the host looked up in an earlier run: a run looks its host up once.
  void StartRun() override;

  // The body of the response to a GET of url, byte for byte. Raises the failures of
  // http_failures.h, and RunCancelled once cancel is signalled. Safe to call from several
  // threads at once.
  [[nodiscard]] Page Get(const std::string& url, const CancelSignal& cancel) override;

 private:
  // The run's host and its address, looked up on the first request of a run.
  PeerAddress Peer(const std::string& host, std::uint16_t port, Deadline deadline,
                   const CancelSignal& cancel);

  ExchangeLimits limits_;
  Resolver resolver_;
  std::mutex lookup_mutex_;
  std::optional<std::pair<std::string, PeerAddress>> looked_up_;
};

}  // namespace trelka
