#include "window_logic.h"

#include <utility>

#include "platform/failure.h"
#include "run/run_window.h"
#include "text/codepage.h"

namespace trelka {

namespace {

constexpr std::string_view kFileButtonText = "Файл Wpt";
constexpr std::string_view kStopButtonText = "Стоп";
constexpr std::string_view kSaveExtension = ".gpx";
// Shown for a name from outside that is no existing file.
constexpr std::string_view kFileNotFound = "File not found";
constexpr std::string_view kNoCachePage = "нет страницы тайника";
constexpr std::string_view kMissingHeading = "В документе нет этих тайников:";
constexpr std::string_view kMoreMissing = "и ещё ";
constexpr std::string_view kOneFileAtATime =
    "Файлы преобразуются по одному. Преобразуется первый из них:\n";

// "Тайник ID, строка L из N", the way a box names a waypoint of the run.
std::string WaypointPlace(std::string_view id_utf8, RunPosition position) {
  return "Тайник " + std::string(id_utf8) + ", строка " +
         ProgressText(position.index, position.total);
}

}  // namespace

std::string FailureBoxText(std::string_view message) {
  return Cp1251ToUtf8(FailureDisplayText(message));
}

std::string SuggestedSaveName(std::string_view waypoint_path) {
  // Both separators count, so that a Windows path is cut alike; on Linux a "\" in a name is
  // rare enough that cutting there too does no harm (the extension is still replaced).
  const std::size_t name_start = waypoint_path.find_last_of("/\\") + 1;  // 0 without a folder
  const std::size_t dot = waypoint_path.rfind('.');
  const std::size_t stem_end =
      dot != std::string_view::npos && dot > name_start ? dot : waypoint_path.size();
  return std::string(waypoint_path.substr(0, stem_end)) + std::string(kSaveExtension);
}

WindowLogic::WindowLogic(std::function<bool(const std::string&)> is_existing_file)
    : is_existing_file_(std::move(is_existing_file)) {}

WindowLogic::Controls WindowLogic::CurrentControls() const {
  switch (state_) {
    case State::kStart:
    case State::kStale:
      return {true, kFileButtonText, false, false};
    case State::kRunning:
      return {false, kStopButtonText, false, true};
    case State::kConverted:
      return {false, kFileButtonText, true, false};
    case State::kSaved:
      return {true, kFileButtonText, true, false};
    case State::kFailed:
      // Without a result to save, a disabled check box would guard nothing.
      return {true, kFileButtonText, false, false};
  }
  return {};
}

WindowLogic::FileButtonAction WindowLogic::FileButton() const {
  return state_ == State::kRunning ? FileButtonAction::kStopRun : FileButtonAction::kAskForFile;
}

std::optional<WindowLogic::RunRequest> WindowLogic::OpenAccepted(const std::string& name) {
  if (state_ == State::kRunning) return std::nullopt;
  open_name_ = name;
  if (!is_existing_file_(name)) return std::nullopt;
  return StartRun(name);
}

WindowLogic::OutsideFiles WindowLogic::FilesFromOutside(const std::vector<std::string>& names) {
  if (state_ == State::kRunning || names.empty()) return {};
  open_name_ = names.front();
  if (!is_existing_file_(names.front())) return {FailureBoxText(kFileNotFound), {}, {}};
  std::string note;
  if (names.size() > 1) note = std::string(kOneFileAtATime) + names.front();
  return {{}, std::move(note), StartRun(names.front())};
}

void WindowLogic::SaveAccepted(const std::string& name, int entry) {
  save_name_ = name;
  save_entry_ = entry >= 0 && static_cast<std::size_t>(entry) < kSaveShapes.size() ? entry : 0;
}

void WindowLogic::Saved() {
  if (state_ == State::kConverted || state_ == State::kSaved) state_ = State::kSaved;
}

void WindowLogic::CheckBoxToggled(bool checked) {
  checked_ = checked;
  if (state_ == State::kSaved || state_ == State::kStale) {
    state_ = checked == made_with_terrain_ ? State::kSaved : State::kStale;
  }
}

void WindowLogic::Progress(int index, int total) { label_ = ProgressText(index, total); }

std::string WindowLogic::PageFailed(std::string_view id, RunPosition position,
                                    std::string_view message) {
  failed_page_ = Missing{Cp1251ToUtf8(id), position, Cp1251ToUtf8(message)};
  return FailureBoxText(message) + "\n" + WaypointPlace(failed_page_->id, position);
}

void WindowLogic::FailedPageAnswered(AfterFailedPage answer) {
  if (!failed_page_) return;
  if (answer == AfterFailedPage::kSkip) NoteMissing(std::move(*failed_page_));
  failed_page_.reset();
}

void WindowLogic::PageWithoutName(std::string_view id, RunPosition position) {
  NoteMissing({Cp1251ToUtf8(id), position, std::string(kNoCachePage)});
}

WindowLogic::RunEnd WindowLogic::RunSucceeded() {
  state_ = State::kConverted;
  save_name_ = SuggestedSaveName(run_path_);
  return {MissingList(), true};
}

void WindowLogic::RunFailed() { state_ = State::kFailed; }

void WindowLogic::RunStopped() {
  if (state_ == State::kRunning) state_ = State::kFailed;
}

WindowLogic::RunRequest WindowLogic::StartRun(const std::string& path) {
  state_ = State::kRunning;
  run_path_ = path;
  made_with_terrain_ = checked_;
  failed_page_.reset();
  missing_.clear();
  missing_count_ = 0;
  return {path, checked_};
}

void WindowLogic::NoteMissing(Missing missing) {
  ++missing_count_;
  if (missing_.size() < kMissingListed) missing_.push_back(std::move(missing));
}

std::string WindowLogic::MissingList() const {
  if (missing_count_ == 0) return {};
  std::string text(kMissingHeading);
  for (const Missing& missing : missing_) {
    text += "\n" + WaypointPlace(missing.id, missing.position) + ": " + missing.reason;
  }
  if (missing_count_ > missing_.size()) {
    text += "\n" + std::string(kMoreMissing) + std::to_string(missing_count_ - missing_.size());
  }
  return text;
}

}  // namespace trelka
