// The system's own modal dialogs for the Win32 window: the common file dialogs, message boxes
// and the question after a failed page. Texts come in UTF-8 and go to the system as UTF-16.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "run/conversion_run.h"
#include "window_logic.h"

namespace trelka {

class Win32Prompts {
 public:
  struct FileChoice {
    std::string name;        // UTF-8
    std::size_t filter = 0;  // the entry of the filter list that was chosen
  };

  explicit Win32Prompts(std::wstring title) : title_(std::move(title)) {}

  // A modal open or save dialog showing file_name and filters (entry filter chosen), without
  // an overwrite prompt, a read-only box or a default extension; nothing when cancelled.
  [[nodiscard]] std::optional<FileChoice> AskFileName(HWND owner, bool save,
                                                      std::span<const FileFilter> filters,
                                                      const std::string& file_name,
                                                      std::size_t filter) const;

  // Modal boxes with one OK button and an error or information icon.
  void ShowError(HWND owner, std::string_view text) const;
  void ShowInformation(HWND owner, std::string_view text) const;

  // A modal box with the error icon and a button for each of kFailedPageChoices: the first is
  // the default, Escape and closing the box choose the last.
  [[nodiscard]] AfterFailedPage AskAfterFailedPage(HWND owner, std::string_view text) const;

 private:
  std::wstring title_;
};

}  // namespace trelka
