// IdHTTP: the page client, one blocking HTTP/1.0 GET per cache page.
#pragma once

#include <string>

#include "conversion_run.h"

namespace trelka {

class IdHTTP final : public PageSource {
 public:
  IdHTTP() = default;
  // The body of the response to a GET of url; a failure is raised as a Failure.
  [[nodiscard]] std::string Get(const std::string& url) override;
};

}  // namespace trelka
