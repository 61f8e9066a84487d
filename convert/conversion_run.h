// The conversion run: one waypoint file in, one finished GPX document out. It owns the order
// of everything that happens in a conversion; the window and the page service are reached
// only through the two small interfaces below.
#pragma once

#include <string>
#include <string_view>

#include "line_list.h"

namespace trelka {

// The window operations a run uses, in the order of their first use.
class RunWindow {
 public:
  virtual ~RunWindow() = default;
  virtual void DisableCheckBox() = 0;
  virtual void DisableSaveButton() = 0;
  // Shows ProgressText(index, total) and repaints before returning.
  virtual void ShowProgress(int index, int total) = 0;
  // Whether terrain descriptions are to be included; read once per waypoint.
  virtual bool ReadCheckBox() = 0;
  virtual void EnableSaveButton() = 0;
};

// Fetches one cache page. A failure is raised as a Failure and ends the run.
class PageSource {
 public:
  virtual ~PageSource() = default;
  [[nodiscard]] virtual std::string Get(const std::string& url) = 0;
};

// index, " из ", total, in UTF-8, the way the window and trelka-batch show progress.
[[nodiscard]] std::string ProgressText(int index, int total);

// The address of a cache's page: the service address, "/cache.php?cid=" and the id, joined
// unchanged.
[[nodiscard]] std::string CachePageUrl(std::string_view page_service_address, std::string_view id);

// Converts the waypoint file at path. result_document is replaced by an empty list first and
// holds the UTF-8 document when the run returns; a failure leaves it empty and propagates.
void Run(const std::string& path, RunWindow& window, PageSource& pages,
         std::string_view page_service_address, LineList& result_document);

}  // namespace trelka
