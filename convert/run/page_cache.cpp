#include "run/page_cache.h"

#include <optional>

#include "http/http_response.h"
#include "http/http_url.h"
#include "platform/atomic_write.h"
#include "platform/file_read.h"

namespace trelka {

namespace {

constexpr std::string_view kSuffix = ".html";
// An address is far shorter; a larger note is not one this cache wrote.
constexpr std::size_t kMaxNoteBytes = 4096;

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
  // Checked now, so that a folder that cannot take pages fails before the first request.
  const FileInFolder note = InFolder(folder_, std::string(kServiceNote));
  const std::string noted_line = std::string(page_service_address) + "\n";
  const std::optional<std::string> noted =
      ReadRegularFileIfPresent(note, kMaxNoteBytes, "Page service note exceeds 4 KiB");
  if (!noted) {
    WriteFileAtomically(note, {noted_line});
  } else if (*noted != noted_line) {
    std::string_view other = *noted;
    if (other.ends_with('\n')) other.remove_suffix(1);
    throw PageCacheOfAnotherService("The page cache holds pages of " + std::string(other) +
                                    ", not of " + std::string(page_service_address));
  } else {
    folder_.CheckWritable();
  }
}

Page PageCache::Get(const std::string& url, const CancelSignal& cancel) {
  // Only the run's own URLs have an id to go by, and a name too long for the file system
  // cannot be stored: such pages are fetched every time.
  if (!url.starts_with(url_prefix_)) return pages_.Get(url, cancel);
  std::string name = StoredPageName(std::string_view(url).substr(url_prefix_.size()));
  if (name.size() > kMaxFileNameLength) return pages_.Get(url, cancel);

  const FileInFolder file = InFolder(folder_, std::move(name));
  if (mode_ == Mode::kUseStored) {
    // No page from the service is larger; a larger file is not one this cache wrote.
    if (std::optional<std::string> stored =
            ReadRegularFileIfPresent(file, kMaxResponseBytes, "Stored page exceeds 64 MiB")) {
      return std::move(*stored);
    }
  }
  Page page = pages_.Get(url, cancel);
  WriteFileAtomically(file, {page.Text()});
  return page;
}

}  // namespace trelka
