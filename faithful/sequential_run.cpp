#include "sequential_run.h"

#include "codepage.h"
#include "gpx_document.h"
#include "http_url.h"
#include "line_list.h"
#include "page_extraction.h"
#include "waypoint_file.h"

namespace trelka::faithful {

std::string SequentialRun(const std::string& path, RunWindow& window, PageSource& pages,
                          std::string_view page_service_address, const CancelSignal& cancel) {
  window.DisableCheckBox();
  window.DisableSaveButton();
  LineList header_lines(HeaderText());
  LineList waypoint_lines;
  const std::string bytes = ReadWaypointFile(path);
  const int total = CountWaypointLines(bytes);
  WaypointReader file(bytes);
  file.SkipLines(kWaypointHeaderLines);
  pages.StartRun();
  int index = 0;
  while (!file.AtEnd()) {
    ++index;
    window.ShowProgress(index, total);
    const WaypointRecord waypoint = ParseWaypointLine(file.ReadLine());
    const std::string page = pages.Get(CachePageUrl(page_service_address, waypoint.id), cancel);
    const auto cache = Extract(page, window.ReadCheckBox());
    if (cache) waypoint_lines.AppendText(WaypointElement(waypoint, *cache));
  }
  LineList document(header_lines.Text() + waypoint_lines.Text() + "</gpx>");
  window.EnableSaveButton();
  return Cp1251ToUtf8(document.Text());
}

}  // namespace trelka::faithful
