#include "run/conversion_run.h"

#include <optional>

#include "document/cache_record.h"
#include "document/gpx10_values.h"
#include "document/gpx_document.h"
#include "document/page_extraction.h"
#include "document/waypoint_file.h"
#include "http/http_url.h"
#include "platform/failure.h"
#include "run/page_pipeline.h"

namespace trelka {

namespace {

// The page of a waypoint the pipeline handed back; nothing when its request failed and the
// run goes on without it. A page asked for again is fetched here, on the run's thread: the
// pipeline hands pages back in the order they were asked for, and later ones are on their way
// already.
std::optional<Page> PageOf(FetchedPage& fetched, PageSource& pages, RunPosition position,
                           const RunSettings& settings, const CancelSignal& cancel) {
  for (std::exception_ptr failure = fetched.failure; failure;) {
    switch (settings.on_failed_page(fetched.waypoint, position, failure)) {
      case AfterFailedPage::kSkip:
        return std::nullopt;
      case AfterFailedPage::kRetry:
        break;
      case AfterFailedPage::kEndRun:
        std::rethrow_exception(failure);
    }
    try {
      return pages.Get(CachePageUrl(settings.page_service_address, fetched.waypoint.id), cancel);
    } catch (const FileFailure&) {
      throw;  // a file the run needs cannot be read or written: no later page can do better
    } catch (const Failure&) {
      failure = std::current_exception();
    }
  }
  return std::move(fetched.page);
}

void Convert(const std::string& path, RunWindow& window, PageSource& pages,
             const RunSettings& settings, Utf8Document& result_document,
             const CancelSignal& cancel) {
  // Read once: both passes walk the same bytes, which a pipe or FIFO could not give twice.
  const std::string bytes = ReadWaypointFile(path);
  const int total = CountWaypointLines(bytes);
  WaypointReader lines(bytes);
  lines.SkipLines(kWaypointHeaderLines);

  GpxSettings gpx{settings.shape, settings.cache_page_address,
                  settings.document_name.value_or(DocumentNameOf(path)), std::nullopt};
  if (settings.gpx10_edits != nullptr || settings.shape == GpxShape::kGpx10) {
    gpx.bounds = WaypointBounds(bytes);
  }
  GpxWriter document = settings.gpx10_edits != nullptr
                           ? GpxWriter(result_document, *settings.gpx10_edits, std::move(gpx))
                           : GpxWriter(result_document, std::move(gpx));
  document.Start();

  pages.StartRun();
  PagePipeline pipeline(pages, lines, settings.page_service_address, settings.connections, cancel,
                        settings.on_failed_page ? PagePipeline::AfterFailure::kGoOn
                                                : PagePipeline::AfterFailure::kEndRun);
  for (int index = 1; !pipeline.AtEnd(); ++index) {
    cancel.ThrowIfCancelled();
    window.ShowProgress(index, total);
    const RunPosition position{index, total};
    FetchedPage fetched = pipeline.Next();
    std::optional<Page> page = PageOf(fetched, pages, position, settings, cancel);
    if (!page) continue;

    // A fresh record for every page, so that no field carries over from the one before.
    const auto cache = Extract(page->Text(), window.ReadCheckBox());
    page.reset();  // nothing of a page outlives its element
    if (cache) {
      document.Append(fetched.waypoint, *cache);
    } else if (settings.on_page_without_name) {
      settings.on_page_without_name(fetched.waypoint, position);
    }
  }
  document.Finish();
}

}  // namespace

void Run(const std::string& path, RunWindow& window, PageSource& pages, const RunSettings& settings,
         Utf8Document& result_document, const CancelSignal& cancel) {
  result_document.Clear();
  if (settings.gpx10_edits != nullptr) settings.gpx10_edits->Clear();
  window.DisableCheckBox();
  window.DisableSaveButton();
  try {
    Convert(path, window, pages, settings, result_document, cancel);
  } catch (...) {
    result_document.Clear();
    if (settings.gpx10_edits != nullptr) settings.gpx10_edits->Clear();
    throw;
  }
  window.EnableSaveButton();
}

}  // namespace trelka
