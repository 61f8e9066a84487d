// Request URLs: composing the address of a cache's page, and splitting a URL into what the
// page client connects to and what it asks for. Pure text work; nothing here touches the
// network.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trelka {

struct HttpTarget {
  std::string scheme;
  // As written in the URL, letter case kept, an IPv6 literal with its brackets: what the Host
  // line carries.
  std::string host;
  std::uint16_t port = 80;     // 80 when the URL names none, or names one that is not a number
  std::string request_target;  // path and document, without any "#" part of the document
};

// Appends text to out, each byte for which keep is false as "%" and two upper-case hex digits.
void AppendPercentEncoded(std::string& out, std::string_view text, bool (*keep)(char));

// The address of a cache's page: the service address, "/cache.php?cid=" and the id. The id's
// bytes that may not stand in a request target as themselves (blanks, controls, bytes above
// 7F, "#", "\", "%" and the like) are percent-encoded; ids of letters and digits go out as
// they are.
[[nodiscard]] std::string CachePageUrl(std::string_view page_service_address, std::string_view id);

// The address of a cache's page on the catalogue's own site, for a reader to follow:
// cache_page_address (such as "https://geocaching.su/cache/") and the id, encoded as in
// CachePageUrl.
[[nodiscard]] std::string CacheSitePageUrl(std::string_view cache_page_address,
                                           std::string_view id);

// Backslashes count as slashes. Raises EIdInterceptPropInvalid for the https scheme.
[[nodiscard]] HttpTarget SplitUrl(std::string_view url);

}  // namespace trelka
