#include <libxml/parser.h>

#include "test_support.h"

namespace trelka::testing {

std::string XmlProblem(std::string_view document) {
  xmlDocPtr doc = xmlReadMemory(document.data(), static_cast<int>(document.size()), "document.gpx",
                                nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc != nullptr) {
    xmlFreeDoc(doc);
    return {};
  }
  const xmlError* error = xmlGetLastError();
  return error != nullptr && error->message != nullptr ? error->message : "not well-formed";
}

}  // namespace trelka::testing
