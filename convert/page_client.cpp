#include "page_client.h"

namespace trelka {

// Until pages are requested over HTTP every page is empty.
std::string IdHTTP::Get(const std::string& /*url*/) { return {}; }

}  // namespace trelka
