#include "conversion_run.h"

#include <algorithm>
#include <deque>
#include <optional>

#include "cache_record.h"
#include "failure.h"
#include "gpx10_values.h"
#include "gpx_document.h"
#include "http_url.h"
#include "page_extraction.h"
#include "page_pipeline.h"
#include "waypoint_file.h"

namespace trelka {

namespace {

// The oldest page asked for; nothing when its request failed and the run goes on without it.
// A page asked for again is fetched here, on the run's thread: the pipeline hands pages back
// in the order they were asked for, and later ones are on their way already.
std::optional<std::string> NextPage(PagePipeline& pipeline, PageSource& pages,
                                    const WaypointRecord& waypoint, RunPosition position,
                                    const RunSettings& settings, const CancelSignal& cancel) {
  for (bool again = false;; again = true) {
    try {
      if (!again) return pipeline.Next();
      return pages.Get(CachePageUrl(settings.page_service_address, waypoint.id), cancel);
    } catch (const FileFailure&) {
      throw;  // a file the run needs cannot be read or written: no later page can do better
    } catch (const Failure&) {
      if (!settings.on_failed_page) throw;
      switch (settings.on_failed_page(waypoint, position, std::current_exception())) {
        case AfterFailedPage::kSkip:
          return std::nullopt;
        case AfterFailedPage::kRetry:
          break;
        case AfterFailedPage::kEndRun:
          throw;
      }
    }
  }
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
  const int ahead = std::clamp(settings.connections, 1, PagePipeline::kMaxConnections);
  PagePipeline pipeline(pages, ahead, cancel,
                        settings.on_failed_page ? PagePipeline::AfterFailure::kGoOn
                                                : PagePipeline::AfterFailure::kStartNoMore);
  // The waypoints whose pages are asked for and not yet worked on, oldest first. One
  // connection is asked for one page more than it fetches at once, so that it goes on to the
  // next page without waiting for the run to ask; it still stops at a failed page of its own.
  // Several connections are asked for no more than they fetch at once, so that at most N - 1
  // pages are asked for after a failed one.
  const int queued = ahead == 1 ? 2 : ahead;
  std::deque<WaypointRecord> requested;
  const auto keep_requested_ahead = [&] {
    while (static_cast<int>(requested.size()) < queued && !lines.AtEnd()) {
      requested.push_back(ParseWaypointLine(lines.ReadLine()));
      pipeline.Request(CachePageUrl(settings.page_service_address, requested.back().id));
    }
  };

  for (int index = 1; !requested.empty() || !lines.AtEnd(); ++index) {
    cancel.ThrowIfCancelled();
    window.ShowProgress(index, total);
    keep_requested_ahead();
    const RunPosition position{index, total};
    std::optional<std::string> page =
        NextPage(pipeline, pages, requested.front(), position, settings, cancel);
    const WaypointRecord waypoint = std::move(requested.front());
    requested.pop_front();
    keep_requested_ahead();  // the next pages come while this one is worked on
    if (!page) continue;

    // A fresh record for every page, so that no field carries over from the one before.
    const auto cache = Extract(*page, window.ReadCheckBox());
    page.reset();  // nothing of a page outlives its element
    if (cache) {
      document.Append(waypoint, *cache);
    } else if (settings.on_page_without_name) {
      settings.on_page_without_name(waypoint, position);
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
