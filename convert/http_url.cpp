#include "http_url.h"

#include <algorithm>
#include <charconv>

#include "http_failures.h"
#include "text_primitives.h"

namespace trelka {

namespace {

std::uint16_t PortOr80(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value > 65535) return 80;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

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
  if (const auto colon = host_part.find(':'); colon != std::string_view::npos) {
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
