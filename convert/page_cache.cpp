#include "page_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>

#include "atomic_write.h"
#include "file_failure.h"
#include "file_read.h"
#include "http_response.h"
#include "http_url.h"

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
  if (::mkdir(folder_.c_str(), 0777) != 0 && errno != EEXIST) RaiseFileFailure(errno, folder_);
  folder_fd_ = UniqueFd(
      RetryOnInterrupt([&] { return ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC); }));
  if (!folder_fd_.IsOpen()) RaiseFileFailure(errno, folder_);

  // Checked now, so that a folder that cannot take pages fails before the first request.
  const FileInFolder note = InFolder(std::string(kServiceNote));
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
  } else if (::faccessat(folder_fd_.Get(), ".", W_OK | X_OK, 0) != 0) {
    RaiseFileFailure(errno, folder_);
  }
}

FileInFolder PageCache::InFolder(std::string name) const {
  std::string path = folder_ + "/" + name;
  return {folder_fd_.Get(), std::move(name), std::move(path)};
}

std::string PageCache::Get(const std::string& url, const CancelSignal& cancel) {
  // Only the run's own URLs have an id to go by, and a name too long for the file system
  // cannot be stored: such pages are fetched every time.
  if (!url.starts_with(url_prefix_)) return pages_.Get(url, cancel);
  std::string name = StoredPageName(std::string_view(url).substr(url_prefix_.size()));
  if (name.size() > NAME_MAX) return pages_.Get(url, cancel);

  const FileInFolder file = InFolder(std::move(name));
  if (mode_ == Mode::kUseStored) {
    // No page from the service is larger; a larger file is not one this cache wrote.
    if (std::optional<std::string> stored =
            ReadRegularFileIfPresent(file, kMaxResponseBytes, "Stored page exceeds 64 MiB")) {
      return std::move(*stored);
    }
  }
  std::string page = pages_.Get(url, cancel);
  WriteFileAtomically(file, {page});
  return page;
}

}  // namespace trelka
