#include "http/http_url.h"

#include <algorithm>
#include <charconv>

#include "http/http_failures.h"
#include "text/text_primitives.h"

namespace trelka {

namespace {

std::uint16_t PortOr80(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value > 65535) return 80;
  return static_cast<std::uint16_t>(value);
}

// What a query may hold as it is: the unreserved characters, the sub-delimiters, ":", "@",
// "/" and "?". A "%" always goes encoded, so that the server reads back the id's own bytes.
bool MayStandInQuery(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("-._~!$&'()*+,;=:@/?").find(c) != std::string_view::npos;
}

}  // namespace

void AppendPercentEncoded(std::string& out, std::string_view text, bool (*keep)(char)) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : text) {
    if (keep(c)) {
      out += c;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  }
}

std::string CachePageUrl(std::string_view page_service_address, std::string_view id) {
  std::string url(page_service_address);
  url.append("/cache.php?cid=");
  AppendPercentEncoded(url, id, MayStandInQuery);
  return url;
}

std::string CacheSitePageUrl(std::string_view cache_page_address, std::string_view id) {
  std::string url(cache_page_address);
  AppendPercentEncoded(url, id, MayStandInQuery);
  return url;
}

HttpTarget SplitUrl(std::string_view url_text) {
  std::string url(url_text);
  std::replace(url.begin(), url.end(), '\\', '/');
  HttpTarget target;

  std::string_view rest = url;
  if (const auto separator = rest.find("://"); separator != std::string_view::npos) {
    target.scheme = std::string(rest.substr(0, separator));
    rest.remove_prefix(separator + 3);
  }
  if (EqualsIgnoringCase(target.scheme, "https")) throw EIdInterceptPropInvalid();

  const auto slash = rest.find('/');
  const std::string_view host_part = rest.substr(0, slash);
  rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
  // The port's ":" is the first one after an IPv6 literal's closing bracket.
  const auto literal_end = host_part.starts_with('[') ? host_part.find(']') : 0;
  const auto colon =
      literal_end == std::string_view::npos ? literal_end : host_part.find(':', literal_end);
  if (colon != std::string_view::npos) {
    target.host = std::string(host_part.substr(0, colon));
    target.port = PortOr80(host_part.substr(colon + 1));
  } else {
    target.host = std::string(host_part);
  }

  const auto last_slash = rest.rfind('/');
  const std::size_t document_start = last_slash == std::string_view::npos ? 0 : last_slash + 1;
  std::string_view path = rest.substr(0, document_start);
  std::string_view document = rest.substr(document_start);
  document = document.substr(0, document.find('#'));
  if (!path.starts_with('/')) target.request_target = "/";
  target.request_target.append(path).append(document);
  return target;
}

}  // namespace trelka
