#include "document/save_document.h"

namespace trelka {

void SaveDocument(const Utf8Document& document, AtomicFile& file) {
  for (std::string_view piece : document.Pieces()) file.Write(piece);
  file.Write(kSaveTrailer);
  file.Commit();
}

void SaveDocument(const Utf8Document& document, const std::string& path) {
  AtomicFile file(path);
  SaveDocument(document, file);
}

void SaveDocument(const Utf8Document& document, const ShapeEdits& edits, const std::string& path) {
  AtomicFile file(path);
  edits.ForEachPiece(document, [&file](std::string_view piece) { file.Write(piece); });
  file.Write(kSaveTrailer);
  file.Commit();
}

void SaveDocument(const Utf8Document& document, const ShapeEdits& gpx10_edits, GpxShape shape,
                  const std::string& path) {
  if (shape == GpxShape::kGpx10) {
    SaveDocument(document, gpx10_edits, path);
  } else {
    SaveDocument(document, path);
  }
}

}  // namespace trelka
