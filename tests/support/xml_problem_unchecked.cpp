// The Windows build of the suites has no libxml2: there XmlProblem finds nothing. The documents
// are the same bytes as on Linux, where libxml2 checks them, and the end-to-end test compares
// the two builds' documents byte for byte.
#include "test_support.h"

namespace trelka::testing {

std::string XmlProblem(std::string_view /*document*/) { return {}; }

}  // namespace trelka::testing
