#include "conversion_run.h"

#include "cache_record.h"
#include "gpx_document.h"
#include "page_extraction.h"
#include "waypoint_file.h"

namespace trelka {

std::string CachePageUrl(std::string_view page_service_address, std::string_view id) {
  std::string url(page_service_address);
  url.append("/cache.php?cid=").append(id);
  return url;
}

void Run(const std::string& path, RunWindow& window, PageSource& pages,
         std::string_view page_service_address, LineList& result_document) {
  result_document = LineList();
  LineList header_lines(HeaderText());
  LineList waypoint_lines;

  window.DisableCheckBox();
  window.DisableSaveButton();

  {
    // Read once: both passes walk the same bytes, which a pipe or FIFO could not give twice.
    const std::string bytes = ReadWaypointFile(path);
    const int total = CountWaypointLines(bytes);
    WaypointReader file(bytes);
    file.SkipLines(kWaypointHeaderLines);
    int index = 0;
    while (!file.AtEnd()) {
      ++index;
      window.ShowProgress(index, total);
      const WaypointRecord waypoint = ParseWaypointLine(file.ReadLine());
      const std::string page = pages.Get(CachePageUrl(page_service_address, waypoint.id));
      // A fresh record for every page, so that no field carries over from the one before.
      const auto cache = Extract(page, window.ReadCheckBox());
      if (cache) AppendWaypoint(waypoint_lines, waypoint, *cache);
    }
  }  // the waypoint file's bytes are released before the document is finished

  result_document = FinishDocument(header_lines, waypoint_lines);
  window.EnableSaveButton();
}

}  // namespace trelka
