#include "http/service_address.h"

#include <algorithm>
#include <charconv>

#include "platform/net_address.h"
#include "text/text_primitives.h"

namespace trelka {

namespace {

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_';
}

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

std::string PortProblem(std::string_view port) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (port.empty() || error != std::errc() || end != port.data() + port.size() || value < 1 ||
      value > 65535) {
    return "the port must be a number from 1 to 65535";
  }
  return {};
}

}  // namespace

std::string ServiceAddressProblem(std::string_view address) {
  if (std::any_of(address.begin(), address.end(), IsControl)) {
    return "the address holds a control character (such as a line break)";
  }
  const auto separator = address.find("://");
  const std::string_view scheme = address.substr(0, separator);
  if (separator == std::string_view::npos ||
      !(EqualsIgnoringCase(scheme, "http") || EqualsIgnoringCase(scheme, "https"))) {
    return "the address must start with http://";
  }
  std::string_view rest = address.substr(separator + 3);
  if (rest.find('@') != std::string_view::npos) {
    return "the address must not hold a user name or password (\"@\")";
  }
  if (rest.find_first_of("/\\?#") != std::string_view::npos) {
    return "the address must end after the host and port, with no path";
  }

  if (rest.starts_with('[')) {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) return "an IPv6 address must end with \"]\"";
    const std::string literal(rest.substr(1, close - 1));
    if (!Ipv6PeerAddress(literal)) {
      return "\"" + literal + "\" is not an IPv6 address";
    }
    rest.remove_prefix(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) {
      return "only \":\" and a port may follow an IPv6 address";
    }
  } else {
    if (std::count(rest.begin(), rest.end(), ':') > 1) {
      return "an IPv6 address must stand in brackets, as in http://[::1]:8080";
    }
    const std::string_view host = rest.substr(0, rest.find(':'));
    if (host.empty()) return "the address names no host";
    if (!std::all_of(host.begin(), host.end(), IsNameCharacter)) {
      return "the host may hold only letters, digits, \"-\", \".\" and \"_\"";
    }
    rest.remove_prefix(host.size());
  }
  if (rest.starts_with(':')) return PortProblem(rest.substr(1));
  return {};
}

}  // namespace trelka
