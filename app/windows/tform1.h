// TForm1 as a native Win32 window: the same four controls at the same places, scaled with the
// monitor's density, over the same WindowLogic as the Qt window. It maps controls and system
// dialogs to the logic and carries the run's calls to the window's thread; it decides nothing
// itself.
#pragma once

#include <windows.h>

#include <cstddef>
#include <exception>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "background_run.h"
#include "document/shape_edits.h"
#include "document/utf8_document.h"
#include "http/page_client.h"
#include "run/kept_pages.h"
#include "win32_prompts.h"
#include "window_logic.h"

class TForm1 final : public trelka::BackgroundRun::Window {
 public:
  // The most page bytes a window keeps for its later runs.
  static constexpr std::size_t kKeptPageBytes = std::size_t{256} << 20;

  // Creates the window, hidden; pages are requested from page_service_address.
  TForm1(HINSTANCE instance, std::string page_service_address, std::wstring application_title);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  void Show(int show_command);
  [[nodiscard]] HWND Handle() const { return window_; }

  // The run's calls, on the window's thread.
  void ShowProgress(int index, int total) override;
  [[nodiscard]] trelka::AfterFailedPage AskAfterFailedPage(
      const trelka::WaypointRecord& waypoint, trelka::RunPosition position,
      const std::exception_ptr& failure) override;
  void PageWithoutName(const trelka::WaypointRecord& waypoint,
                       trelka::RunPosition position) override;

  void Button1Click();
  void Button2Click();
  void CheckBox1Click();

  // Converts the first of names (UTF-8; from the command line or a drop) as if it had been
  // accepted in the open dialog.
  void OpenWaypointFiles(const std::vector<std::string>& names);

  // Runs the window's messages until it is closed; Tab, Return and Space work as in a dialog.
  static int RunMessageLoop(HWND window);

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);

  void CreateControls();
  // Sizes the window, places the controls and makes the fonts for the density dpi.
  void Lay(UINT dpi, const RECT* suggested);
  void ShowControls();
  // Runs handler, showing whatever failure ends it in an error box.
  void RunHandler(const std::function<void()>& handler);
  void StartRun(const std::optional<trelka::WindowLogic::RunRequest>& request);
  void StopRun();
  void RunEnded(std::future<void> outcome);
  // Carries operation to the window's thread; called from the run's.
  void Post(std::function<void()> operation);

  trelka::WindowLogic logic_;
  std::wstring application_title_;
  trelka::Win32Prompts prompts_;
  HWND window_ = nullptr;
  HWND Button1 = nullptr;
  HWND Button2 = nullptr;
  HWND CheckBox1 = nullptr;
  HWND Label1 = nullptr;
  HWND last_focus_ = nullptr;  // the control to focus again when the window is active again
  HFONT font_ = nullptr;
  HFONT label_font_ = nullptr;

  // Replaced by every run: the document in GPX 1.1, and what turns it into GPX 1.0.
  trelka::Utf8Document ResultDocument;
  trelka::ShapeEdits ResultGpx10Edits;
  trelka::IdHTTP IdHTTP1;
  trelka::KeptPages kept_pages_;
  // Last, so that it ends a going run before anything the run uses goes away.
  trelka::BackgroundRun run_;
};
