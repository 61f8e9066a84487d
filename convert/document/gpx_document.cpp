#include "document/gpx_document.h"

#include <utility>

#include "http/http_url.h"
#include "text/codepage.h"
#include "text/xml_guard.h"

namespace trelka {

namespace {

constexpr XmlContext kElement = XmlContext::kElement;
constexpr XmlContext kAttribute = XmlContext::kAttribute;

template <typename Out, typename... Pieces>
void Put(Out& out, const Pieces&... pieces) {
  (out.Append(std::string_view(pieces)), ...);
}

template <typename Out, typename... Pieces>
void PutUtf8(Out& out, const Pieces&... pieces) {
  (out.AppendUtf8(std::string_view(pieces)), ...);
}

std::string WithoutControls(std::string_view text) {
  std::string kept;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x20) kept += c;
  }
  return kept;
}

template <typename Out>
void PutXmlDeclaration(Out& out) {
  PutUtf8(out, R"(<?xml version="1.0" encoding="UTF-8" standalone="no" ?>)");
}

template <typename Out>
void PutGpx11Header(Out& out) {
  PutXmlDeclaration(out);
  PutUtf8(out, R"(<gpx xmlns=")", kGpxNamespace, R"(" creator="MapSource 6.15.6" version="1.1")",
          R"( xmlns:xsi=")", kXmlSchemaInstanceNamespace, R"(" xsi:schemaLocation=")",
          kGpxNamespace, " ", kGpxNamespace, "/gpx.xsd", R"(">)");
  PutUtf8(
      out, R"(<metadata><link href=")", kGpsMakerAddress,
      R"("><text>Garmin International</text></link><time>2009-05-14T09:40:10Z</time>)"
      R"(<bounds maxlat="61.2262000" maxlon="35.6078834" minlat="58.5837000" minlon="26.9571167"/>)"
      R"(</metadata>)");
}

template <typename Out>
void PutGpx10Header(Out& out, const GpxSettings& settings) {
  PutXmlDeclaration(out);
  PutUtf8(out, R"(<gpx xmlns=")", kGpx10Namespace, R"(" version="1.0" creator="Trelka")",
          R"( xmlns:xsi=")", kXmlSchemaInstanceNamespace, R"(" xsi:schemaLocation=")",
          kGpx10Namespace, " ", kGpx10Namespace, "/gpx.xsd ", kGroundspeakNamespace, " ",
          kGroundspeakNamespace, "/cache.xsd", R"(">)");
  if (const std::string name = WithoutControls(settings.document_name); !name.empty()) {
    PutUtf8(out, "<name>", XmlGuard(name, kElement), "</name>");
  }
  if (const auto& bounds = settings.bounds) {
    PutUtf8(out, R"(<bounds minlat=")", XmlGuard(bounds->min_lat, kAttribute), R"(" minlon=")",
            XmlGuard(bounds->min_lon, kAttribute), R"(" maxlat=")",
            XmlGuard(bounds->max_lat, kAttribute), R"(" maxlon=")",
            XmlGuard(bounds->max_lon, kAttribute), R"("/>)");
  }
}

template <typename Out>
void ComposeHeader(Out& out, const GpxSettings& settings) {
  out.Either([&](auto& gpx11) { PutGpx11Header(gpx11); },
             [&](auto& gpx10) { PutGpx10Header(gpx10, settings); });
}

// The one place the element's shapes are written down, for a text and for a document alike:
// pieces both shapes hold go to out.Append, those that differ to out.Either.
template <typename Out>
void ComposeElement(Out& out, const WaypointRecord& waypoint, const CacheRecord& cache,
                    const GpxSettings& settings) {
  static const std::string kFrom = Utf8ToCp1251(" от ");

  // Guarded once each; the three information blocks as one text, since they stand side by
  // side and "]]>" must not form across their joins.
  const std::string id = XmlGuard(waypoint.id, kElement);
  const std::string name = XmlGuard(cache.name, kElement);
  const std::string code = XmlGuard(cache.code, kElement);
  const std::string author = XmlGuard(cache.author, kElement);
  const std::string_view type = CacheTypeOf(waypoint.name);

  out.Either(
      [&](auto& gpx11) {
        Put(gpx11, R"(<wpt lat=")", XmlGuard(waypoint.lat, kAttribute), R"(" lon=")",
            XmlGuard(waypoint.lon, kAttribute), R"(">)");
        Put(gpx11, "<name>", id, "</name>");
      },
      [&](auto& gpx10) {
        Put(gpx10, R"(<wpt lat=")", XmlGuard(WithoutBlanks(waypoint.lat), kAttribute), R"(" lon=")",
            XmlGuard(WithoutBlanks(waypoint.lon), kAttribute), R"(">)");
        if (const std::string time = CreatedTime(cache.created); !time.empty()) {
          Put(gpx10, "<time>", time, "</time>");
        }
        Put(gpx10, "<name>", XmlGuard(waypoint.name, kElement), "</name>");
      });
  Put(out, "<cmt>", name, code, " ", author, "</cmt>");
  Put(out, "<desc>", name, code, kFrom, author, "</desc>");
  out.Either(
      [&](auto& gpx11) {
        Put(gpx11, R"(<link href=")", kCacheDetailsAddress, R"("/>)");
        Put(gpx11, "<sym>Geocache</sym>", "<type>Geocache</type>");
      },
      [&](auto& gpx10) {
        Put(gpx10, "<url>",
            XmlEscape(CacheSitePageUrl(settings.cache_page_address, waypoint.id), kElement),
            "</url>");
        Put(gpx10, "<urlname>", name, code, "</urlname>");
        Put(gpx10, "<sym>Geocache</sym>", "<type>Geocache|", type, "</type>");
      });
  Put(out, R"(<groundspeak:cache xmlns:groundspeak=")", kGroundspeakNamespace,
      R"(" archived="False" available="True" id=")", XmlGuard(waypoint.id, kAttribute), R"(">)");
  Put(out, "<groundspeak:name>", name, code, "</groundspeak:name>");
  Put(out, "<groundspeak:placed_by>", author, "</groundspeak:placed_by>");
  Put(out, R"(<groundspeak:owner id="12345">)", author, "</groundspeak:owner>");
  out.Either([&](auto& gpx11) { Put(gpx11, "<groundspeak:type>Traditional Cache"); },
             [&](auto& gpx10) { Put(gpx10, "<groundspeak:type>", type); });
  Put(out, "</groundspeak:type>");
  Put(out, "<groundspeak:container>Regular</groundspeak:container>");
  Put(out, "<groundspeak:difficulty>", XmlGuard(cache.difficulty, kElement),
      "</groundspeak:difficulty>");
  Put(out, "<groundspeak:terrain>", XmlGuard(cache.terrain, kElement), "</groundspeak:terrain>");
  // The descriptions, each guarded on its own, so that at most one guarded copy is alive.
  // The descriptions are guarded as they are written, without a guarded copy.
  Put(out, R"(<groundspeak:short_description html="True">)");
  out.AppendGuarded(cache.short_description, kElement);
  Put(out, "----------", "</groundspeak:short_description>");
  Put(out, R"(<groundspeak:long_description html="True">)");
  out.AppendGuarded(cache.long_description, kElement);
  Put(out, "</groundspeak:long_description>");
  Put(out, "<groundspeak:encoded_hints>");
  out.AppendGuarded(cache.created + cache.country + cache.attributes, kElement);
  Put(out, "</groundspeak:encoded_hints>");
  Put(out, "</groundspeak:cache>");
  Put(out, "</wpt>");
}

// A text in one shape.
struct TextOut {
  GpxShape shape;
  std::string text;

  void Append(std::string_view piece) { text.append(piece); }
  void AppendGuarded(std::string_view piece, XmlContext context) {
    AppendXmlGuarded(text, piece, context);
  }
  void AppendUtf8(std::string_view piece) { text.append(piece); }
  template <typename Gpx11, typename Gpx10>
  void Either(const Gpx11& gpx11, const Gpx10& gpx10) {
    if (shape == GpxShape::kGpx11) {
      gpx11(*this);
    } else {
      gpx10(*this);
    }
  }
};

}  // namespace

// A GpxWriter's document: one shape, or GPX 1.1 with the edits to GPX 1.0 beside it.
class GpxOut {
 public:
  explicit GpxOut(GpxWriter& writer) : writer_(writer) {}

  void Append(std::string_view piece) { writer_.text_.Append(piece); }
  void AppendGuarded(std::string_view piece, XmlContext context) {
    writer_.text_.AppendGuarded(piece, context);
  }
  void AppendUtf8(std::string_view piece) { writer_.text_.AppendUtf8(piece); }

  template <typename Gpx11, typename Gpx10>
  void Either(const Gpx11& gpx11, const Gpx10& gpx10) {
    if (writer_.gpx10_ == nullptr) {
      if (writer_.settings_.shape == GpxShape::kGpx11) {
        gpx11(writer_.text_);
      } else {
        gpx10(writer_.text_);
      }
      return;
    }
    // Neither alternative holds a line break at its ends, so each converts alike wherever
    // it stands, and GPX 1.0 is the text with each stretch of GPX 1.1 replaced.
    const std::size_t at = writer_.document_.Size();
    gpx11(writer_.text_);
    const std::size_t length = writer_.document_.Size() - at;
    Utf8Document& replacements = writer_.gpx10_->Replacements();
    const std::size_t from = replacements.Size();
    gpx10(*writer_.replacements_);
    writer_.gpx10_->Add(at, length, replacements.Size() - from);
  }

 private:
  GpxWriter& writer_;
};

std::string HeaderText(const GpxSettings& settings) {
  TextOut out{settings.shape, {}};
  ComposeHeader(out, settings);
  return std::move(out.text);
}

std::string WaypointElement(const WaypointRecord& waypoint, const CacheRecord& cache,
                            const GpxSettings& settings) {
  TextOut out{settings.shape, {}};
  ComposeElement(out, waypoint, cache, settings);
  return std::move(out.text);
}

GpxWriter::GpxWriter(Utf8Document& document, GpxSettings settings)
    : document_(document), text_(document), settings_(std::move(settings)) {}

GpxWriter::GpxWriter(Utf8Document& document, ShapeEdits& gpx10, GpxSettings settings)
    : document_(document), text_(document), gpx10_(&gpx10), settings_(std::move(settings)) {
  gpx10.Clear();
  replacements_.emplace(gpx10.Replacements());
}

void GpxWriter::Start() {
  GpxOut out(*this);
  ComposeHeader(out, settings_);
  text_.EndText();
}

void GpxWriter::Append(const WaypointRecord& waypoint, const CacheRecord& cache) {
  GpxOut out(*this);
  ComposeElement(out, waypoint, cache, settings_);
  text_.EndText();
}

void GpxWriter::Finish() { text_.AppendText("</gpx>"); }

}  // namespace trelka
