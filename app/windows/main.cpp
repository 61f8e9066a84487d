// Start-up of the Windows window program: Form1 and the message loop. A waypoint file named on
// the command line (as opening a .wpt file in Explorer does) is converted at once.

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "application_title.h"
#include "build_config.h"
#include "platform/windows/wide_text.h"
#include "tform1.h"
#include "win32_prompts.h"

namespace {

std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; words != nullptr && i < count; ++i) arguments.push_back(trelka::Utf8Of(words[i]));
  ::LocalFree(words);
  return arguments;
}

std::string ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return trelka::Utf8Of(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int show_command) {
  const std::wstring title = trelka::Utf16Of(trelka::ApplicationTitle(ProgramPath()));
  TForm1 form(instance, trelka::kPageServiceAddress, title);
  form.Show(show_command);
  if (const std::vector<std::string> names = Arguments(); !names.empty()) {
    form.OpenWaypointFiles(names);
  }
  return TForm1::RunMessageLoop(form.Handle());
}
