#include "conversion_run.h"

#include "cache_record.h"
#include "gpx_document.h"
#include "line_writer.h"
#include "page_extraction.h"
#include "page_pipeline.h"
#include "waypoint_file.h"

namespace trelka {

namespace {

void Convert(const std::string& path, RunWindow& window, PageSource& pages,
             const RunSettings& settings, Utf8Document& result_document,
             const CancelSignal& cancel) {
  // Read once: both passes walk the same bytes, which a pipe or FIFO could not give twice.
  const std::string bytes = ReadWaypointFile(path);
  const int total = CountWaypointLines(bytes);
  WaypointReader lines(bytes);
  lines.SkipLines(kWaypointHeaderLines);

  LineWriter document(result_document);
  StartDocument(document);

  pages.StartRun();
  PagePipeline pipeline(pages, lines, settings.page_service_address, settings.connections, cancel,
                        settings.on_failed_page ? PagePipeline::AfterFailure::kGoOn
                                                : PagePipeline::AfterFailure::kEndRun);
  for (int index = 1; !pipeline.AtEnd(); ++index) {
    cancel.ThrowIfCancelled();
    window.ShowProgress(index, total);
    FetchedPage fetched = pipeline.Next();
    if (fetched.failure) {
      settings.on_failed_page(fetched.waypoint, fetched.failure);
      continue;
    }
    // A fresh record for every page, so that no field carries over from the one before.
    const auto cache = Extract(fetched.page, window.ReadCheckBox());
    fetched.page = std::string();  // nothing of a page outlives its element
    if (cache) AppendWaypoint(document, fetched.waypoint, *cache);
  }
  FinishDocument(document);
}

}  // namespace

void Run(const std::string& path, RunWindow& window, PageSource& pages, const RunSettings& settings,
         Utf8Document& result_document, const CancelSignal& cancel) {
  result_document.Clear();
  window.DisableCheckBox();
  window.DisableSaveButton();
  try {
    Convert(path, window, pages, settings, result_document, cancel);
  } catch (...) {
    result_document.Clear();
    throw;
  }
  window.EnableSaveButton();
}

}  // namespace trelka
