#include "win32_prompts.h"

#include <commctrl.h>
#include <commdlg.h>

#include <array>
#include <vector>

#include "platform/windows/wide_text.h"

namespace trelka {

namespace {

// Long paths included; the dialogs fail rather than cut a longer name.
constexpr DWORD kNameCapacity = 32768;
// Ids of the failed-page box's buttons, one per entry of kFailedPageChoices.
constexpr int kFirstChoiceId = 1000;

// "description\0pattern\0...\0\0", as the common dialogs want a filter.
std::wstring FilterText(std::span<const FileFilter> filters) {
  std::wstring text;
  for (const FileFilter& filter : filters) {
    text += Utf16Of(filter.description);
    text += L'\0';
    text += Utf16Of(filter.pattern);
    text += L'\0';
  }
  text += L'\0';
  return text;
}

}  // namespace

std::optional<Win32Prompts::FileChoice> Win32Prompts::AskFileName(
    HWND owner, bool save, std::span<const FileFilter> filters, const std::string& file_name,
    std::size_t filter) const {
  const std::wstring filter_text = FilterText(filters);
  std::vector<wchar_t> name(kNameCapacity, L'\0');
  const std::wstring shown = Utf16Of(file_name);
  if (shown.size() < kNameCapacity) shown.copy(name.data(), shown.size());

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter_text.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(filter + 1);
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = kNameCapacity;
  // Existence is the caller's to test; an existing file is replaced without asking.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  const BOOL accepted = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
  if (accepted == FALSE) return std::nullopt;
  const std::size_t chosen = dialog.nFilterIndex > 0 ? dialog.nFilterIndex - 1 : 0;
  return FileChoice{Utf8Of(name.data()), chosen < filters.size() ? chosen : 0};
}

void Win32Prompts::ShowError(HWND owner, std::string_view text) const {
  ::MessageBoxW(owner, Utf16Of(text).c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

void Win32Prompts::ShowInformation(HWND owner, std::string_view text) const {
  ::MessageBoxW(owner, Utf16Of(text).c_str(), title_.c_str(), MB_OK | MB_ICONINFORMATION);
}

AfterFailedPage Win32Prompts::AskAfterFailedPage(HWND owner, std::string_view text) const {
  std::array<std::wstring, kFailedPageChoices.size()> texts;
  std::array<TASKDIALOG_BUTTON, kFailedPageChoices.size()> buttons{};
  for (std::size_t i = 0; i < kFailedPageChoices.size(); ++i) {
    texts[i] = Utf16Of(kFailedPageChoices[i].text);
    buttons[i] = {kFirstChoiceId + static_cast<int>(i), texts[i].c_str()};
  }
  const std::wstring content = Utf16Of(text);
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  // Escape and the close button answer IDCANCEL.
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.pszWindowTitle = title_.c_str();
  config.pszMainIcon = TD_ERROR_ICON;
  config.pszContent = content.c_str();
  config.cButtons = static_cast<UINT>(buttons.size());
  config.pButtons = buttons.data();
  config.nDefaultButton = kFirstChoiceId;
  int pressed = IDCANCEL;
  if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) pressed = IDCANCEL;
  const int choice = pressed - kFirstChoiceId;
  if (choice < 0 || choice >= static_cast<int>(kFailedPageChoices.size())) {
    return kFailedPageChoices.back().answer;
  }
  return kFailedPageChoices[static_cast<std::size_t>(choice)].answer;
}

}  // namespace trelka
