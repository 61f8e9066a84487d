#include "page_cache.h"

#include <optional>

#include "http_response.h"
#include "http_url.h"
#include "platform/atomic_write.h"
#include "platform/file_read.h"
#include "platform/folder.h"

namespace trelka {

namespace {

constexpr std::string_view kSuffix = ".html";

bool MayStandInName(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

}  // namespace

std::string StoredPageName(std::string_view id_in_request) {
  std::string name;
  AppendPercentEncoded(name, id_in_request, MayStandInName);
  name += kSuffix;
  return name;
}

PageCache::PageCache(PageSource& pages, std::string folder, std::string_view page_service_address,
                     Mode mode)
    : pages_(pages),
      folder_(std::move(folder)),
      url_prefix_(CachePageUrl(page_service_address, "")),
      mode_(mode) {
  MakeFolderIfMissing(folder_);
}

std::string PageCache::Get(const std::string& url, const CancelSignal& cancel) {
  // Only the run's own URLs have an id to go by, and a name too long for the file system
  // cannot be stored: such pages are fetched every time.
  if (!url.starts_with(url_prefix_)) return pages_.Get(url, cancel);
  const std::string name = StoredPageName(std::string_view(url).substr(url_prefix_.size()));
  if (name.size() > kMaxFileNameLength) return pages_.Get(url, cancel);

  const std::string path = PathInFolder(folder_, name);
  if (mode_ == Mode::kUseStored) {
    // No page from the service is larger; a larger file is not one this cache wrote.
    if (std::optional<std::string> stored =
            ReadFileIfPresent(path, kMaxResponseBytes, "Stored page exceeds 64 MiB")) {
      return std::move(*stored);
    }
  }
  std::string page = pages_.Get(url, cancel);
  WriteFileAtomically(path, {page});
  return page;
}

}  // namespace trelka
