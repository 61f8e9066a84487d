// Saving the finished document: the one way both programs write it, so that the window's
// save button and trelka-batch give the same bytes by construction.
#pragma once

#include <string>
#include <string_view>

#include "document/gpx_document.h"
#include "document/shape_edits.h"
#include "document/utf8_document.h"
#include "platform/atomic_write.h"

namespace trelka {

// The line break that saving writes after the document's text.
inline constexpr std::string_view kSaveTrailer = "\r\n";

// Writes what document still holds, then kSaveTrailer, into file, and commits it. A document
// that spilled into file as it grew has its earlier blocks there already.
void SaveDocument(const Utf8Document& document, AtomicFile& file);

// The same into a new file at path, replacing any file there only once it is complete.
void SaveDocument(const Utf8Document& document, const std::string& path);

// The same for the document as edits change it (the document's other shape).
void SaveDocument(const Utf8Document& document, const ShapeEdits& edits, const std::string& path);

// The window's save: document (GPX 1.1) as it is, or through gpx10_edits for GPX 1.0.
void SaveDocument(const Utf8Document& document, const ShapeEdits& gpx10_edits, GpxShape shape,
                  const std::string& path);

}  // namespace trelka
