// Arbitrary page bytes through the page cuts and into a whole document, with the terrain flag
// set and cleared: the document must always be well-formed XML in both shapes, and on pages small
// enough for the faithful cuts the fields must be theirs.
#include <libxml/parser.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document/gpx_document.h"
#include "document/page_extraction.h"
#include "faithful_extraction.h"

namespace {

// The faithful cuts are quadratic; beyond this they would slow the fuzzer down too much.
constexpr std::size_t kFaithfulBytes = 4096;

void AbortUnlessWellFormed(const std::string& text) {
  xmlDocPtr parsed =
      xmlReadMemory(text.data(), static_cast<int>(text.size()), "page.gpx", nullptr,
                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE);
  if (parsed == nullptr) std::abort();
  xmlFreeDoc(parsed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  for (const bool include_terrain : {false, true}) {
    trelka::Utf8Document document;
    trelka::ShapeEdits gpx10;
    trelka::GpxWriter writer(document, gpx10, {.cache_page_address = "https://catalogue.test/"});
    writer.Start();
    const auto record = trelka::Extract(page, include_terrain);
    if (size <= kFaithfulBytes && record != trelka::faithful::Extract(page, include_terrain)) {
      std::abort();
    }
    if (record) writer.Append({"3004", "55.75", "37.61", "TR3004"}, *record);
    writer.Finish();
    AbortUnlessWellFormed(document.Text());
    AbortUnlessWellFormed(gpx10.Apply(document));
  }
  return 0;
}
