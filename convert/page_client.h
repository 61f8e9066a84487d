// IdHTTP: the page client. One blocking HTTP/1.0 GET per cache page on a new TCP connection,
// with fixed request lines and no proxy, redirects, keep-alive, cookies or compression.
// Every wait is bounded, so a silent server cannot hold the caller for good.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "page_source.h"

namespace trelka {

inline constexpr std::chrono::milliseconds kConnectTimeLimit{30'000};
inline constexpr std::chrono::milliseconds kReceiveTimeLimit{60'000};

inline constexpr std::string_view kAcceptValue = "text/html, */*";
inline constexpr std::string_view kUserAgentValue = "Mozilla/3.0 (compatible; Indy Library)";

class IdHTTP final : public PageSource {
 public:
  // Tests shorten the limits; an expired wait fails as socket error 10060.
  explicit IdHTTP(std::chrono::milliseconds connect_limit = kConnectTimeLimit,
                  std::chrono::milliseconds receive_limit = kReceiveTimeLimit)
      : connect_limit_(connect_limit), receive_limit_(receive_limit) {}

  // The body of the response to a GET of url, byte for byte. Raises the failures of
  // http_failures.h.
  [[nodiscard]] std::string Get(const std::string& url) override;

 private:
  std::chrono::milliseconds connect_limit_;
  std::chrono::milliseconds receive_limit_;
};

}  // namespace trelka
