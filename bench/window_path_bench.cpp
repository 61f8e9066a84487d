// The window's path through a conversion: Run with the document held in memory in GPX 1.1 with
// the edits to GPX 1.0 beside it, as TForm1 holds ResultDocument, against a real page service,
// then both shapes read out as saving does. Prints seconds, the documents' sizes and the peak
// memory of the process as one line of key=value pairs.
//
//   window_path_bench [--terrain] SERVICE WPT_FILE [CONNECTIONS]

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "http/page_client.h"
#include "platform/failure.h"
#include "platform/heap_settings.h"
#include "run/conversion_run.h"

namespace {

class QuietWindow final : public trelka::RunWindow {
 public:
  explicit QuietWindow(bool terrain) : terrain_(terrain) {}
  void DisableCheckBox() override {}
  void DisableSaveButton() override {}
  void ShowProgress(int /*index*/, int /*total*/) override {}
  bool ReadCheckBox() override { return terrain_; }
  void EnableSaveButton() override {}

 private:
  bool terrain_;
};

}  // namespace

int main(int argc, char** argv) {
  trelka::KeepFreedMemoryForReuse();  // as the programs do
  const bool terrain = argc > 1 && std::string(argv[1]) == "--terrain";
  if (terrain) {
    --argc;
    ++argv;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_path_bench [--terrain] SERVICE WPT_FILE [CONNECTIONS]\n");
    return 2;
  }
  const int connections = argc > 3 ? std::atoi(argv[3]) : 1;
  QuietWindow window(terrain);
  trelka::IdHTTP pages;
  trelka::Utf8Document document;
  trelka::ShapeEdits gpx10;
  trelka::RunSettings settings{argv[1], connections};
  settings.cache_page_address = "https://geocaching.su/cache/";
  settings.gpx10_edits = &gpx10;
  const trelka::CancelSignal never_cancelled;
  const auto start = std::chrono::steady_clock::now();
  try {
    trelka::Run(argv[2], window, pages, settings, document, never_cancelled);
  } catch (const trelka::Failure& failure) {
    std::fprintf(stderr, "%s\n", failure.Message().c_str());
    return 1;
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  std::size_t gpx10_bytes = 0;
  gpx10.ForEachPiece(document, [&](std::string_view piece) { gpx10_bytes += piece.size(); });
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const double peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const double document_mib = static_cast<double>(document.Size()) / (1024.0 * 1024.0);
  const double gpx10_mib = static_cast<double>(gpx10_bytes) / (1024.0 * 1024.0);
  std::printf("seconds=%.3f document_mib=%.1f gpx10_mib=%.1f peak_rss_mib=%.1f ratio=%.3f\n",
              seconds.count(), document_mib, gpx10_mib, peak_mib, peak_mib / document_mib);
  return 0;
}
