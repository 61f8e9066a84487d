// Cache pages kept in a folder from one run to the next, so that running again after a
// failure fetches only the pages still missing. Every page that arrives whole is stored, one
// file per id, written atomically; a page that failed is not. The bytes handed on are the
// same whether a page came from the folder or from the page service.
//
// A file is named for the id as the request carries it (the text after "cid=", which is a
// function of the id alone): every byte outside A-Z, a-z, 0-9, "-" and "_" percent-encoded,
// then ".html". No name can leave the folder, and two names are equal only for the same
// request. The name is all that is resolved inside the folder, so a page is stored whatever
// the folder's path; only a regular file is taken, and storing replaces whatever entry has
// the name (a symbolic link itself), so nothing outside the folder is read or written.
//
// A folder belongs to one page service: the first run notes the service in kServiceNote, and
// a run for another service refuses the folder.
#pragma once

#include <string>
#include <string_view>

#include "http/page_source.h"
#include "platform/failure.h"
#include "platform/folder.h"

namespace trelka {

// The file name for the id as it stands in a request.
[[nodiscard]] std::string StoredPageName(std::string_view id_in_request);

// The file in the folder that names its page service: the address and a line feed. No page's
// name ends in ".txt".
inline constexpr std::string_view kServiceNote = "page-service.txt";

// The folder holds the pages of another page service; the message names both.
class PageCacheOfAnotherService : public Failure {
 public:
  using Failure::Failure;
};

class PageCache final : public PageSource {
 public:
  enum class Mode {
    kUseStored,  // a stored page is taken without a request
    kRefresh,    // every page is fetched again and replaces the stored one
  };

  // Pages not taken from folder come from pages, which must outlive this source; URLs are
  // those of cache pages at page_service_address. Creates folder when it is missing and notes
  // the service in it. Raises FileFailure when folder cannot be made or written, or is not a
  // folder, and PageCacheOfAnotherService when its note names another service.
  PageCache(PageSource& pages, std::string folder, std::string_view page_service_address,
            Mode mode);

  void StartRun() override { pages_.StartRun(); }

  // The stored page, or else the page from pages, stored before it is returned. Raises what
  // pages raises, and FileFailure when a stored page cannot be read or written. Safe to call
  // from several threads at once, as pages is.
  [[nodiscard]] Page Get(const std::string& url, const CancelSignal& cancel) override;

 private:
  PageSource& pages_;
  Folder folder_;
  std::string url_prefix_;  // the URL of a page but for the id
  Mode mode_;
};

}  // namespace trelka
