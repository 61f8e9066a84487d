// Cache pages kept in memory for as long as their owner lives, so that a run started again
// (after a failure, a stop or a change of settings) asks only for the pages it does not hold.
// Every page that arrives whole is kept, up to a byte budget; when a new page would pass it,
// the pages kept longest are dropped first. A page that failed is not kept, and nothing is
// written anywhere. The bytes handed on are the same whether a page was kept or fetched.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

#include "http/page_source.h"

namespace trelka {

class KeptPages final : public PageSource {
 public:
  // Pages not held come from pages, which must outlive this source. A page larger than
  // budget_bytes is handed on but not kept.
  KeptPages(PageSource& pages, std::size_t budget_bytes) : pages_(pages), budget_(budget_bytes) {}

  void StartRun() override { pages_.StartRun(); }

  // The page kept for url, or else the page from pages, kept before it is returned. Raises
  // what pages raises. Safe to call from several threads at once, as pages is.
  [[nodiscard]] Page Get(const std::string& url, const CancelSignal& cancel) override;

  // The bytes of the pages held now.
  [[nodiscard]] std::size_t HeldBytes();

 private:
  void Keep(const std::string& url, std::string_view page);

  PageSource& pages_;
  std::size_t budget_;
  std::mutex mutex_;
  std::unordered_map<std::string, std::string> pages_by_url_;
  std::deque<std::string> urls_oldest_first_;
  std::size_t held_bytes_ = 0;
};

}  // namespace trelka
