#include "tform1.h"

#include <shellapi.h>

#include <memory>
#include <string_view>
#include <utility>

#include "document/save_document.h"
#include "platform/failure.h"
#include "platform/windows/wide_text.h"

namespace {

// The layout, in pixels at 96 dpi; every figure is scaled with the monitor's density.
constexpr int kDesignDpi = 96;
constexpr int kClientWidth = 191;
constexpr int kClientHeight = 132;
constexpr POINT kPosition{192, 114};

struct Place {
  int left;
  int top;
  int width;
  int height;
};
constexpr Place kCheckBox1Place{8, 8, 177, 17};
constexpr Place kButton1Place{8, 32, 177, 25};
constexpr Place kButton2Place{8, 64, 177, 25};
constexpr Place kLabel1Place{8, 96, 177, 25};

constexpr wchar_t kFontFace[] = L"MS Sans Serif";
constexpr int kFontPoints = 8;
constexpr int kLabelFontPoints = 16;
constexpr int kPointsPerInch = 72;
// Where the system's font stands in for MS Sans Serif with wider letters, the font is made
// smaller until every text fits, but no smaller than this many pixels at 96 dpi.
constexpr int kSmallestFontPixels = 7;
// What a button's frame and a check box's mark leave of their width for the text, at 96 dpi.
constexpr int kButtonTextMargin = 4;
constexpr int kCheckMarkWidth = 24;
// The widest progress text the label is sized for: a file of up to a million waypoints less one.
constexpr wchar_t kWidestProgress[] = L"999999 из 999999";

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr wchar_t kWindowClass[] = L"TForm1";

enum ControlId : int { kButton1Id = 101, kButton2Id, kCheckBox1Id, kLabel1Id };

// A call from the run's thread, carried in lparam; the window's thread runs and frees it.
constexpr UINT kRunCall = WM_APP + 1;

int Scaled(int pixels, UINT dpi) { return ::MulDiv(pixels, static_cast<int>(dpi), kDesignDpi); }

HFONT MakeFont(int pixels, int weight) {
  return ::CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, kFontFace);
}

// A text and the width it must fit in.
struct Fit {
  std::wstring text;
  int width;
};

// The font of the given size (points at dpi) and weight, made smaller while a text of fits
// does not fit its width in it.
HFONT FittingFont(HWND window, int points, int weight, UINT dpi, const std::vector<Fit>& fits) {
  const int smallest = Scaled(kSmallestFontPixels, dpi);
  const HDC dc = ::GetDC(window);
  HFONT font = nullptr;
  for (int pixels = ::MulDiv(points, static_cast<int>(dpi), kPointsPerInch);; --pixels) {
    font = MakeFont(pixels, weight);
    const HGDIOBJ old = ::SelectObject(dc, font);
    bool fit = true;
    for (const Fit& each : fits) {
      SIZE size{};
      ::GetTextExtentPoint32W(dc, each.text.c_str(), static_cast<int>(each.text.size()), &size);
      fit = fit && size.cx <= each.width;
    }
    ::SelectObject(dc, old);
    if (fit || pixels <= smallest) break;
    ::DeleteObject(font);
  }
  ::ReleaseDC(window, dc);
  return font;
}

std::wstring WindowText(HWND control) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool IsExistingFile(const std::string& name) {
  const DWORD attributes = ::GetFileAttributesW(trelka::Utf16Of(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// An absolute name for one that may be relative to the working folder.
std::string AbsoluteName(const std::string& name) {
  const std::wstring wide = trelka::Utf16Of(name);
  const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::wstring full(size, L'\0');
  const DWORD written = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  full.resize(written);
  return trelka::Utf8Of(full);
}

}  // namespace

TForm1::TForm1(HINSTANCE instance, std::string page_service_address, std::wstring application_title)
    : logic_(IsExistingFile),
      application_title_(std::move(application_title)),
      prompts_(application_title_),
      kept_pages_(IdHTTP1, kKeptPageBytes),
      run_(
          *this, kept_pages_, std::move(page_service_address), ResultDocument, ResultGpx10Edits,
          [this](std::future<void> outcome) { RunEnded(std::move(outcome)); },
          [this](std::function<void()> operation) { Post(std::move(operation)); }) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance;
  window_class.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  window_class.hIconSm = window_class.hIcon;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kWindowClass;
  ::RegisterClassExW(&window_class);
  window_ = ::CreateWindowExW(0, kWindowClass, L"Trelka", kWindowStyle, kPosition.x, kPosition.y,
                              kClientWidth, kClientHeight, nullptr, nullptr, instance, this);
  CreateControls();
  Lay(::GetDpiForWindow(window_), nullptr);
  ::DragAcceptFiles(window_, TRUE);
  ShowControls();
}

TForm1::~TForm1() {
  if (window_ != nullptr) ::DestroyWindow(window_);
  if (font_ != nullptr) ::DeleteObject(font_);
  if (label_font_ != nullptr) ::DeleteObject(label_font_);
}

void TForm1::CreateControls() {
  const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE));
  const auto make = [&](const wchar_t* control_class, const wchar_t* text, DWORD style, int id) {
    return ::CreateWindowExW(0, control_class, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                             window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                             nullptr);
  };
  // Made in tab order: the file button, the save button, the check box.
  Button1 = make(L"BUTTON", L"Файл Wpt", WS_TABSTOP | BS_PUSHBUTTON, kButton1Id);
  Button2 = make(L"BUTTON", L"Save", WS_TABSTOP | BS_PUSHBUTTON, kButton2Id);
  CheckBox1 =
      make(L"BUTTON", L"Вставить Описание местности", WS_TABSTOP | BS_AUTOCHECKBOX, kCheckBox1Id);
  Label1 = make(L"STATIC", L"", SS_CENTER | SS_NOPREFIX, kLabel1Id);
  ::SetFocus(Button1);
}

void TForm1::Lay(UINT dpi, const RECT* suggested) {
  RECT frame{0, 0, Scaled(kClientWidth, dpi), Scaled(kClientHeight, dpi)};
  ::AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, 0, dpi);
  const int left = suggested != nullptr ? suggested->left : Scaled(kPosition.x, dpi);
  const int top = suggested != nullptr ? suggested->top : Scaled(kPosition.y, dpi);
  ::SetWindowPos(window_, nullptr, left, top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);

  const int button_text = Scaled(kButton1Place.width - 2 * kButtonTextMargin, dpi);
  const HFONT old_font = std::exchange(
      font_,
      FittingFont(window_, kFontPoints, FW_NORMAL, dpi,
                  {{WindowText(CheckBox1), Scaled(kCheckBox1Place.width - kCheckMarkWidth, dpi)},
                   {L"Файл Wpt", button_text},
                   {L"Стоп", button_text},
                   {WindowText(Button2), button_text}}));
  const HFONT old_label_font =
      std::exchange(label_font_, FittingFont(window_, kLabelFontPoints, FW_BOLD, dpi,
                                             {{kWidestProgress, Scaled(kLabel1Place.width, dpi)}}));
  for (const auto& [control, place] :
       {std::pair{CheckBox1, kCheckBox1Place}, std::pair{Button1, kButton1Place},
        std::pair{Button2, kButton2Place}, std::pair{Label1, kLabel1Place}}) {
    ::SetWindowPos(control, nullptr, Scaled(place.left, dpi), Scaled(place.top, dpi),
                   Scaled(place.width, dpi), Scaled(place.height, dpi),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(control, WM_SETFONT,
                   reinterpret_cast<WPARAM>(control == Label1 ? label_font_ : font_), TRUE);
  }
  if (old_font != nullptr) ::DeleteObject(old_font);
  if (old_label_font != nullptr) ::DeleteObject(old_label_font);
}

void TForm1::Show(int show_command) {
  ::ShowWindow(window_, show_command);
  ::UpdateWindow(window_);
}

void TForm1::ShowProgress(int index, int total) {
  logic_.Progress(index, total);
  ::SetWindowTextW(Label1, trelka::Utf16Of(logic_.Label()).c_str());
  ::UpdateWindow(Label1);
  ::UpdateWindow(window_);
}

trelka::AfterFailedPage TForm1::AskAfterFailedPage(const trelka::WaypointRecord& waypoint,
                                                   trelka::RunPosition position,
                                                   const std::exception_ptr& failure) {
  const std::string text =
      logic_.PageFailed(waypoint.id, position, trelka::FailureMessageOf(failure));
  const trelka::AfterFailedPage answer = prompts_.AskAfterFailedPage(window_, text);
  logic_.FailedPageAnswered(answer);
  return answer;
}

void TForm1::PageWithoutName(const trelka::WaypointRecord& waypoint, trelka::RunPosition position) {
  logic_.PageWithoutName(waypoint.id, position);
}

void TForm1::Button1Click() {
  RunHandler([this] {
    if (logic_.FileButton() == trelka::WindowLogic::FileButtonAction::kStopRun) {
      StopRun();
      return;
    }
    const auto choice = prompts_.AskFileName(window_, false, {&trelka::kWaypointFilter, 1},
                                             logic_.OpenDialogName(), 0);
    if (!choice) return;
    StartRun(logic_.OpenAccepted(choice->name));
  });
}

void TForm1::Button2Click() {
  RunHandler([this] {
    const auto choice =
        prompts_.AskFileName(window_, true, trelka::kSaveFilters, logic_.SaveDialogName(),
                             static_cast<std::size_t>(logic_.SaveDialogEntry()));
    if (!choice) return;
    logic_.SaveAccepted(choice->name, static_cast<int>(choice->filter));
    trelka::SaveDocument(ResultDocument, ResultGpx10Edits, logic_.SaveShape(),
                         logic_.SaveDialogName());
    logic_.Saved();
    ShowControls();
  });
}

void TForm1::CheckBox1Click() {
  RunHandler([this] {
    logic_.CheckBoxToggled(::SendMessageW(CheckBox1, BM_GETCHECK, 0, 0) == BST_CHECKED);
    ShowControls();
  });
}

void TForm1::OpenWaypointFiles(const std::vector<std::string>& names) {
  RunHandler([this, &names] {
    std::vector<std::string> absolute;
    absolute.reserve(names.size());
    for (const std::string& name : names) absolute.push_back(AbsoluteName(name));
    const trelka::WindowLogic::OutsideFiles outcome = logic_.FilesFromOutside(absolute);
    if (!outcome.failure.empty()) {
      prompts_.ShowError(window_, outcome.failure);
      return;
    }
    StartRun(outcome.run);
    if (!outcome.note.empty()) prompts_.ShowInformation(window_, outcome.note);
  });
}

void TForm1::RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception&) {
    prompts_.ShowError(window_,
                       trelka::FailureBoxText(trelka::FailureMessageOf(std::current_exception())));
  }
}

void TForm1::StartRun(const std::optional<trelka::WindowLogic::RunRequest>& request) {
  if (!request) return;
  try {
    run_.Start(request->path, request->include_terrain);
  } catch (...) {
    logic_.RunFailed();
    ShowControls();
    throw;
  }
  ShowControls();
}

void TForm1::StopRun() {
  run_.Cancel();
  logic_.RunStopped();
  ShowControls();
}

void TForm1::RunEnded(std::future<void> outcome) {
  RunHandler([this, &outcome] {
    try {
      outcome.get();
    } catch (...) {
      logic_.RunFailed();
      ShowControls();
      throw;
    }
    const trelka::WindowLogic::RunEnd end = logic_.RunSucceeded();
    ShowControls();
    if (end.focus_save_button) ::SetFocus(Button2);
    if (!end.missing_list.empty()) prompts_.ShowInformation(window_, end.missing_list);
  });
}

void TForm1::ShowControls() {
  const trelka::WindowLogic::Controls controls = logic_.CurrentControls();
  ::EnableWindow(CheckBox1, controls.check_box_enabled ? TRUE : FALSE);
  ::SetWindowTextW(Button1, trelka::Utf16Of(controls.file_button_text).c_str());
  ::EnableWindow(Button2, controls.save_button_enabled ? TRUE : FALSE);
  // The busy cursor follows at the next mouse move; WM_SETCURSOR asks the logic.
  POINT cursor{};
  if (::GetCursorPos(&cursor) != FALSE) ::SetCursorPos(cursor.x, cursor.y);
  // Disabling the focused control left the focus nowhere; keys should work again.
  const HWND focus = ::GetFocus();
  if (focus == nullptr || focus == window_ || ::IsWindowEnabled(focus) == FALSE) {
    ::SetFocus(Button1);
  }
}

void TForm1::Post(std::function<void()> operation) {
  auto call = std::make_unique<std::function<void()>>(std::move(operation));
  if (::PostMessageW(window_, kRunCall, 0, reinterpret_cast<LPARAM>(call.get())) != FALSE) {
    (void)call.release();  // the window's thread frees it
  }
}

LRESULT CALLBACK TForm1::WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    form->window_ = window;
  }
  auto* form = reinterpret_cast<TForm1*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr || message == WM_NCDESTROY) {
    return ::DefWindowProcW(window, message, wparam, lparam);
  }
  return form->Handle(message, wparam, lparam);
}

LRESULT TForm1::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kRunCall: {
      const std::unique_ptr<std::function<void()>> call(
          reinterpret_cast<std::function<void()>*>(lparam));
      (*call)();
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED) break;
      switch (LOWORD(wparam)) {
        case kButton1Id:
          Button1Click();
          return 0;
        case kButton2Id:
          Button2Click();
          return 0;
        case kCheckBox1Id:
          CheckBox1Click();
          return 0;
        default:
          break;
      }
      break;
    case WM_ACTIVATE:
      // As a dialog does: the focused control is kept while another window (a box, a file
      // dialog) is active, and given back after it.
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::GetParent(focus) == window_) last_focus_ = focus;
      } else {
        ::SetFocus(last_focus_ != nullptr && ::IsWindowEnabled(last_focus_) != FALSE ? last_focus_
                                                                                     : Button1);
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      // The label and the check box paint their background in the window's colour.
      ::SetBkColor(reinterpret_cast<HDC>(wparam), ::GetSysColor(COLOR_BTNFACE));
      ::SetTextColor(reinterpret_cast<HDC>(wparam), ::GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    case WM_SETCURSOR:
      if (logic_.CurrentControls().busy && LOWORD(lparam) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_APPSTARTING));
        return TRUE;
      }
      break;
    case WM_DPICHANGED:
      Lay(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(wparam);
      std::vector<std::string> names;
      const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        std::wstring name(::DragQueryFileW(drop, i, nullptr, 0), L'\0');
        ::DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size() + 1));
        names.push_back(trelka::Utf8Of(name));
      }
      ::DragFinish(drop);
      if (!logic_.CurrentControls().busy && !names.empty()) OpenWaypointFiles(names);
      return 0;
    }
    case WM_CLOSE:
      // Closing during a run stops it; the window closes at once, showing nothing of the run.
      if (run_.Running()) StopRun();
      ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wparam, lparam);
}

int TForm1::RunMessageLoop(HWND window) {
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Return and Enter press the focused button, as Space does.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        ::GetParent(message.hwnd) == window &&
        (::SendMessageW(message.hwnd, WM_GETDLGCODE, 0, 0) &
         (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
      ::SendMessageW(message.hwnd, BM_CLICK, 0, 0);
      continue;
    }
    if (::IsDialogMessageW(window, &message) != FALSE) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
