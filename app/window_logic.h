// What the tool's window shows and does, without a toolkit: its states and the controls each
// enables, the progress label, the check-box rule, the names the two file dialogs remember,
// the texts of its boxes and what the answers after a failed page mean. A window (TForm1 in
// Qt, or another toolkit's) reports what the user and the run do and shows what this class
// says. It shows nothing itself, touches no file and runs no conversion.
//
// Texts are UTF-8. Ids and failure messages come from the conversion in windows-1251 and are
// converted here, where they become texts of a box.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/conversion_run.h"

namespace trelka {

// One entry of a file dialog's filter.
struct FileFilter {
  std::string_view description;
  std::string_view pattern;
};

// The open dialog's one entry; the save dialog's entries, the first chosen at start, and the
// shape of the document each saves: GPX 1.1, and the GPX 1.0 that geocaching apps and
// handhelds read in full.
inline constexpr FileFilter kWaypointFilter{"файлы Wpt ", "*.wpt"};
inline constexpr std::array<FileFilter, 2> kSaveFilters{{
    {"Файлы GPX", "*.gpx"},
    {"Файлы GPX 1.0 (c:geo, навигаторы)", "*.gpx"},
}};
inline constexpr std::array<GpxShape, 2> kSaveShapes{GpxShape::kGpx11, GpxShape::kGpx10};

// A choice offered after a failed page, with the text of its button.
struct FailedPageChoice {
  AfterFailedPage answer;
  std::string_view text;
};

// In the order shown. The first is the default (Return); the last is what Escape and closing
// the box choose.
inline constexpr std::array<FailedPageChoice, 3> kFailedPageChoices{{
    {AfterFailedPage::kSkip, "Пропустить"},
    {AfterFailedPage::kRetry, "Повторить"},
    {AfterFailedPage::kEndRun, "Прервать"},
}};

// How many waypoints without an element the end-of-run box names one by one.
inline constexpr std::size_t kMissingListed = 20;

// The text a failure box shows for message (windows-1251): FailureDisplayText's "." rule,
// in UTF-8.
[[nodiscard]] std::string FailureBoxText(std::string_view message);

// The name the save dialog first shows for a document made from the waypoint file at path:
// the same folder and name with its extension (from the name's last ".", unless that starts
// the name) replaced by ".gpx", or ".gpx" appended when the name has none.
[[nodiscard]] std::string SuggestedSaveName(std::string_view waypoint_path);

class WindowLogic {
 public:
  enum class State { kStart, kRunning, kConverted, kSaved, kStale, kFailed };

  // What the controls show. Button1, the file button, is enabled in every state.
  struct Controls {
    bool check_box_enabled = true;
    std::string_view file_button_text;
    bool save_button_enabled = false;
    bool busy = false;  // a run goes on

    bool operator==(const Controls&) const = default;
  };

  // What a click on the file button does.
  enum class FileButtonAction { kAskForFile, kStopRun };

  // A run for the window to start on the waypoint file at path.
  struct RunRequest {
    std::string path;
    bool include_terrain = false;

    bool operator==(const RunRequest&) const = default;
  };

  // What names given from outside the window (the command line, a drop) lead to, in this
  // order: a failure box, or else a note and then a run. Empty texts are no box.
  struct OutsideFiles {
    std::string failure;
    std::string note;
    std::optional<RunRequest> run;
  };

  // How a run that ended by itself leaves the window.
  struct RunEnd {
    // The information box's text, empty when every waypoint got its element.
    std::string missing_list;
    // Whether the focus moves to the save button, so that Return saves.
    bool focus_save_button = false;
  };

  // is_existing_file tells whether a name denotes an existing file that is not a folder.
  explicit WindowLogic(std::function<bool(const std::string&)> is_existing_file);

  [[nodiscard]] State CurrentState() const { return state_; }
  [[nodiscard]] Controls CurrentControls() const;
  // Empty at start, then the last progress shown, through every later state.
  [[nodiscard]] const std::string& Label() const { return label_; }
  // What each dialog shows pre-filled when it opens next.
  [[nodiscard]] const std::string& OpenDialogName() const { return open_name_; }
  [[nodiscard]] const std::string& SaveDialogName() const { return save_name_; }
  // The save dialog's entry chosen when it opens next (0 at start), and the shape it saves.
  [[nodiscard]] int SaveDialogEntry() const { return save_entry_; }
  [[nodiscard]] GpxShape SaveShape() const {
    return kSaveShapes[static_cast<std::size_t>(save_entry_)];
  }

  // The user.
  [[nodiscard]] FileButtonAction FileButton() const;
  // The open dialog accepted name: the run to start, or nothing when name is no existing file
  // (or a run goes on). The dialog remembers name either way.
  [[nodiscard]] std::optional<RunRequest> OpenAccepted(const std::string& name);
  // Names from outside, as if the first had been accepted in the open dialog; but a name that
  // is no existing file is a failure, and further names are said to be left alone.
  [[nodiscard]] OutsideFiles FilesFromOutside(const std::vector<std::string>& names);
  // The save dialog accepted name with the entry entry chosen, both of which it remembers (an
  // entry it does not have counts as the first); Saved follows once the file is written.
  void SaveAccepted(const std::string& name, int entry = 0);
  void Saved();
  // The check box was toggled to checked. Back at the state the shown document was made with,
  // saving is possible again; at any other, it is not.
  void CheckBoxToggled(bool checked);

  // The run.
  void Progress(int index, int total);
  // A page failed: the text of the box that asks what to do. FailedPageAnswered follows.
  [[nodiscard]] std::string PageFailed(std::string_view id, RunPosition position,
                                       std::string_view message);
  void FailedPageAnswered(AfterFailedPage answer);
  void PageWithoutName(std::string_view id, RunPosition position);
  [[nodiscard]] RunEnd RunSucceeded();
  // The run failed; its failure is shown with FailureBoxText.
  void RunFailed();
  // The run was stopped (the file button, or closing the window): as failed, with no message.
  void RunStopped();

 private:
  struct Missing {
    std::string id;
    RunPosition position;
    std::string reason;
  };

  RunRequest StartRun(const std::string& path);
  void NoteMissing(Missing missing);
  [[nodiscard]] std::string MissingList() const;

  std::function<bool(const std::string&)> is_existing_file_;
  State state_ = State::kStart;
  std::string label_;
  std::string open_name_;
  std::string save_name_;
  int save_entry_ = 0;
  bool checked_ = false;
  bool made_with_terrain_ = false;  // the check box when the shown document was made
  std::string run_path_;
  std::optional<Missing> failed_page_;  // the one the question is about
  std::vector<Missing> missing_;        // the first kMissingListed of the run
  std::size_t missing_count_ = 0;
};

}  // namespace trelka
