#include "sequential_run.h"

#include "document/gpx10_values.h"
#include "document/gpx_document.h"
#include "document/page_extraction.h"
#include "document/waypoint_file.h"
#include "http/http_url.h"
#include "line_list.h"
#include "text/codepage.h"

namespace trelka::faithful {

std::string SequentialRun(const std::string& path, RunWindow& window, PageSource& pages,
                          std::string_view page_service_address, const CancelSignal& cancel,
                          GpxShape shape, std::string_view cache_page_address) {
  window.DisableCheckBox();
  window.DisableSaveButton();
  const std::string bytes = ReadWaypointFile(path);
  GpxSettings gpx{shape, std::string(cache_page_address), DocumentNameOf(path), std::nullopt};
  if (shape == GpxShape::kGpx10) gpx.bounds = WaypointBounds(bytes);
  LineList header_lines(HeaderText(gpx));  // UTF-8 already
  LineList waypoint_lines;
  const int total = CountWaypointLines(bytes);
  WaypointReader file(bytes);
  file.SkipLines(kWaypointHeaderLines);
  pages.StartRun();
  int index = 0;
  while (!file.AtEnd()) {
    ++index;
    window.ShowProgress(index, total);
    const WaypointRecord waypoint = ParseWaypointLine(file.ReadLine());
    const Page page = pages.Get(CachePageUrl(page_service_address, waypoint.id), cancel);
    const auto cache = Extract(page.Text(), window.ReadCheckBox());
    if (cache) waypoint_lines.AppendText(WaypointElement(waypoint, *cache, gpx));
  }
  LineList elements(waypoint_lines.Text() + "</gpx>");
  window.EnableSaveButton();
  return header_lines.Text() + Cp1251ToUtf8(elements.Text());
}

}  // namespace trelka::faithful
