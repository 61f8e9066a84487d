// The check that an address can serve as the page service: what trelka-batch's --service and
// the address compiled into the programs must look like before any page is asked for.
#pragma once

#include <string>
#include <string_view>

namespace trelka {

// Empty when the address is "http://" (or "https://", which the page client refuses when
// asked) followed by a host name, a dotted IPv4 address or a bracketed IPv6 literal, and
// optionally ":" and a port from 1 to 65535, with nothing after it. Otherwise a short
// sentence saying what is wrong, such as "the port must be a number from 1 to 65535".
[[nodiscard]] std::string ServiceAddressProblem(std::string_view address);

}  // namespace trelka
