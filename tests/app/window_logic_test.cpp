// The window's logic without a toolkit: each state's controls, the state × event table, and
// the texts of its boxes. The Qt suites check only what the Qt window adds: that it shows
// what this logic says.
#include "window_logic.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace trelka {
namespace {

using State = WindowLogic::State;
using Controls = WindowLogic::Controls;

constexpr char kFile[] = "/maps/лес 1.wpt";
constexpr char kOtherFile[] = "/maps/other.wpt";
constexpr char kMissingFile[] = "/maps/absent.wpt";
constexpr char kFolder[] = "/maps";

enum class Event {
  kOpenMissingFile,
  kOpenFolder,
  kOpenFile,
  kRunSucceeds,
  kRunFails,
  kStop,
  kSave,
  kSaveFails,  // the name was accepted, the file not written
  kToggle,
  kToggleTwice,
  kOutsideMissingFile,
  kOutsideFile,
};

class WindowLogicTest : public ::testing::Test {
 protected:
  void Reach(State state) {
    switch (state) {
      case State::kStart:
        break;
      case State::kRunning:
        (void)logic.OpenAccepted(kFile);
        break;
      case State::kConverted:
        Reach(State::kRunning);
        (void)logic.RunSucceeded();
        break;
      case State::kSaved:
        Reach(State::kConverted);
        logic.SaveAccepted("/out/first.gpx");
        logic.Saved();
        break;
      case State::kStale:
        Reach(State::kSaved);
        Toggle();
        break;
      case State::kFailed:
        Reach(State::kRunning);
        logic.RunFailed();
        break;
    }
    ASSERT_EQ(logic.CurrentState(), state);
  }

  // What the window reports; true when the event starts a run.
  bool Apply(Event event) {
    switch (event) {
      case Event::kOpenMissingFile:
        return logic.OpenAccepted(kMissingFile).has_value();
      case Event::kOpenFolder:
        return logic.OpenAccepted(kFolder).has_value();
      case Event::kOpenFile:
        return logic.OpenAccepted(kOtherFile).has_value();
      case Event::kRunSucceeds:
        (void)logic.RunSucceeded();
        return false;
      case Event::kRunFails:
        logic.RunFailed();
        return false;
      case Event::kStop:
        logic.RunStopped();
        return false;
      case Event::kSave:
        logic.SaveAccepted("/out/second.gpx");
        logic.Saved();
        return false;
      case Event::kSaveFails:
        logic.SaveAccepted("/out/second.gpx");
        return false;
      case Event::kToggle:
        Toggle();
        return false;
      case Event::kToggleTwice:
        Toggle();
        Toggle();
        return false;
      case Event::kOutsideMissingFile:
        return logic.FilesFromOutside({kMissingFile}).run.has_value();
      case Event::kOutsideFile:
        return logic.FilesFromOutside({kOtherFile}).run.has_value();
    }
    return false;
  }

  // A new window, as at start.
  void Reset() {
    logic = WindowLogic(Exists);
    checked_ = false;
  }

  void Toggle() {
    checked_ = !checked_;
    logic.CheckBoxToggled(checked_);
  }

  static bool Exists(const std::string& name) { return name == kFile || name == kOtherFile; }

  WindowLogic logic{Exists};

 private:
  bool checked_ = false;
};

TEST_F(WindowLogicTest, EachStateShowsItsControls) {
  const struct {
    State state;
    Controls controls;
  } rows[] = {
      {State::kStart, {true, "Файл Wpt", false, false}},
      {State::kRunning, {false, "Стоп", false, true}},
      {State::kConverted, {false, "Файл Wpt", true, false}},
      {State::kSaved, {true, "Файл Wpt", true, false}},
      {State::kStale, {true, "Файл Wpt", false, false}},
      // Nothing to save, so the check box is free again.
      {State::kFailed, {true, "Файл Wpt", false, false}},
  };
  std::set<State> seen;
  for (const auto& row : rows) {
    Reset();
    Reach(row.state);
    EXPECT_EQ(logic.CurrentControls(), row.controls) << static_cast<int>(row.state);
    seen.insert(row.state);
  }
  EXPECT_EQ(seen.size(), 6u);
}

TEST_F(WindowLogicTest, Transitions) {
  using S = State;
  using E = Event;
  const struct {
    S from;
    E event;
    S to;
    bool starts_run;
  } rows[] = {
      {S::kStart, E::kOpenMissingFile, S::kStart, false},
      {S::kStart, E::kOpenFolder, S::kStart, false},
      {S::kSaved, E::kOpenMissingFile, S::kSaved, false},
      {S::kStale, E::kOpenFolder, S::kStale, false},
      {S::kStart, E::kOpenFile, S::kRunning, true},
      {S::kConverted, E::kOpenFile, S::kRunning, true},
      {S::kSaved, E::kOpenFile, S::kRunning, true},
      {S::kStale, E::kOpenFile, S::kRunning, true},
      {S::kFailed, E::kOpenFile, S::kRunning, true},
      {S::kRunning, E::kRunSucceeds, S::kConverted, false},
      {S::kRunning, E::kRunFails, S::kFailed, false},
      {S::kRunning, E::kStop, S::kFailed, false},
      // During a run the file button stops it; nothing opens another.
      {S::kRunning, E::kOpenFile, S::kRunning, false},
      {S::kRunning, E::kOutsideFile, S::kRunning, false},
      {S::kConverted, E::kSave, S::kSaved, false},
      {S::kSaved, E::kSave, S::kSaved, false},
      {S::kConverted, E::kSaveFails, S::kConverted, false},
      {S::kSaved, E::kSaveFails, S::kSaved, false},
      {S::kSaved, E::kToggle, S::kStale, false},
      {S::kStale, E::kToggle, S::kSaved, false},  // back at the document's state
      {S::kSaved, E::kToggleTwice, S::kSaved, false},
      {S::kStale, E::kToggleTwice, S::kStale, false},
      {S::kStart, E::kToggle, S::kStart, false},
      {S::kFailed, E::kToggle, S::kFailed, false},
      {S::kStart, E::kOutsideMissingFile, S::kStart, false},
      {S::kSaved, E::kOutsideMissingFile, S::kSaved, false},
      {S::kStart, E::kOutsideFile, S::kRunning, true},
      {S::kStale, E::kOutsideFile, S::kRunning, true},
  };
  for (const auto& row : rows) {
    Reset();
    Reach(row.from);
    const std::string label = logic.Label();
    EXPECT_EQ(Apply(row.event), row.starts_run)
        << static_cast<int>(row.from) << " " << static_cast<int>(row.event);
    EXPECT_EQ(logic.CurrentState(), row.to)
        << static_cast<int>(row.from) << " " << static_cast<int>(row.event);
    EXPECT_EQ(logic.FileButton() == WindowLogic::FileButtonAction::kStopRun, row.to == S::kRunning);
    EXPECT_EQ(logic.Label(), label);
  }
}

TEST_F(WindowLogicTest, TheRunTakesTheCheckBoxAndTheSavedNameComesBackToIt) {
  Toggle();
  const auto run = logic.OpenAccepted(kFile);
  EXPECT_EQ(run, (WindowLogic::RunRequest{kFile, true}));
  (void)logic.RunSucceeded();
  logic.SaveAccepted("/out/a.gpx");
  logic.Saved();
  Toggle();
  EXPECT_EQ(logic.CurrentState(), State::kStale);
  Toggle();
  EXPECT_EQ(logic.CurrentState(), State::kSaved);
}

TEST_F(WindowLogicTest, LabelKeepsTheLastProgressThroughTheEnd) {
  EXPECT_EQ(logic.Label(), "");
  Reach(State::kRunning);
  logic.Progress(1, 3);
  logic.Progress(2, 3);
  EXPECT_EQ(logic.Label(), "2 из 3");
  logic.RunStopped();
  EXPECT_EQ(logic.Label(), "2 из 3");
  (void)logic.OpenAccepted(kFile);
  EXPECT_EQ(logic.Label(), "2 из 3");  // until the new run shows its first count
}

// Each dialog shows what was last accepted in it; the save dialog, after each conversion,
// the waypoint file's name with ".gpx", until a name is accepted in it.
TEST_F(WindowLogicTest, DialogNames) {
  EXPECT_EQ(logic.OpenDialogName(), "");
  EXPECT_EQ(logic.SaveDialogName(), "");
  (void)logic.OpenAccepted(kMissingFile);
  EXPECT_EQ(logic.OpenDialogName(), kMissingFile);
  (void)logic.OpenAccepted(kFile);
  logic.RunFailed();
  EXPECT_EQ(logic.SaveDialogName(), "");  // nothing to save, nothing suggested
  (void)logic.OpenAccepted(kFile);
  (void)logic.RunSucceeded();
  EXPECT_EQ(logic.SaveDialogName(), "/maps/лес 1.gpx");
  logic.SaveAccepted("/out/a");
  EXPECT_EQ(logic.SaveDialogName(), "/out/a");  // kept also when writing then fails
  logic.Saved();
  (void)logic.FilesFromOutside({kOtherFile});
  EXPECT_EQ(logic.OpenDialogName(), kOtherFile);
  EXPECT_EQ(logic.SaveDialogName(), "/out/a");
  (void)logic.RunSucceeded();
  EXPECT_EQ(logic.SaveDialogName(), "/maps/other.gpx");
}

// The save dialog's entry chosen last is chosen again, through later runs, and says the shape;
// an entry the dialog does not have counts as the first.
TEST_F(WindowLogicTest, SaveEntryChoosesTheShape) {
  EXPECT_EQ(logic.SaveDialogEntry(), 0);
  EXPECT_EQ(logic.SaveShape(), GpxShape::kGpx11);
  (void)logic.OpenAccepted(kFile);
  (void)logic.RunSucceeded();
  logic.SaveAccepted("/out/a", 1);
  EXPECT_EQ(logic.SaveShape(), GpxShape::kGpx10);
  logic.Saved();
  (void)logic.OpenAccepted(kFile);
  (void)logic.RunSucceeded();
  EXPECT_EQ(logic.SaveDialogEntry(), 1);
  for (const int entry : {0, 2, -1}) {
    logic.SaveAccepted("/out/b", entry);
    EXPECT_EQ(logic.SaveDialogEntry(), 0) << entry;
    EXPECT_EQ(logic.SaveShape(), GpxShape::kGpx11) << entry;
  }
}

TEST(SuggestedSaveNameTest, ReplacesTheExtensionOfTheName) {
  const struct {
    const char* path;
    const char* name;
  } rows[] = {
      {"/home/u/Мои тайники/лес 1.wpt", "/home/u/Мои тайники/лес 1.gpx"},
      {"/maps/caches.WPT", "/maps/caches.gpx"},
      {"/maps/two.dots.wpt", "/maps/two.dots.gpx"},
      {"/maps/no extension", "/maps/no extension.gpx"},
      {"/maps.d/no extension", "/maps.d/no extension.gpx"},
      {"/maps/.wpt", "/maps/.wpt.gpx"},
      {"C:\\maps\\лес.wpt", "C:\\maps\\лес.gpx"},
      {"caches.wpt", "caches.gpx"},
  };
  for (const auto& row : rows) EXPECT_EQ(SuggestedSaveName(row.path), row.name) << row.path;
}

TEST_F(WindowLogicTest, FilesFromOutside) {
  const struct {
    const char* what;
    std::vector<std::string> names;
    std::string failure;
    std::string note;
    bool runs;
  } rows[] = {
      {"one file", {kFile}, "", "", true},
      {"no existing file", {kMissingFile}, "File not found.", "", false},
      {"a folder", {kFolder}, "File not found.", "", false},
      {"two files",
       {kFile, kOtherFile},
       "",
       "Файлы преобразуются по одному. Преобразуется первый из них:\n/maps/лес 1.wpt",
       true},
      {"a missing first of two", {kMissingFile, kFile}, "File not found.", "", false},
  };
  for (const auto& row : rows) {
    Reset();
    const auto outcome = logic.FilesFromOutside(row.names);
    EXPECT_EQ(outcome.failure, row.failure) << row.what;
    EXPECT_EQ(outcome.note, row.note) << row.what;
    EXPECT_EQ(outcome.run.has_value(), row.runs) << row.what;
    if (row.runs) {
      EXPECT_EQ(outcome.run->path, row.names.front()) << row.what;
    }
  }
}

TEST_F(WindowLogicTest, AFailedPageAsksWithWhichCache) {
  Reach(State::kRunning);
  EXPECT_EQ(logic.PageFailed("250", {250, 300}, "404 Not Found"),
            "404 Not Found.\nТайник 250, строка 250 из 300");
  logic.FailedPageAnswered(AfterFailedPage::kEndRun);
  // "Ошибка!" in windows-1251, as a server's text comes.
  EXPECT_EQ(logic.PageFailed("7", {7, 9}, "\xCE\xF8\xE8\xE1\xEA\xE0!"),
            "Ошибка!\nТайник 7, строка 7 из 9");
  logic.FailedPageAnswered(AfterFailedPage::kRetry);
  EXPECT_EQ(kFailedPageChoices.front().answer, AfterFailedPage::kSkip);   // Return skips
  EXPECT_EQ(kFailedPageChoices.back().answer, AfterFailedPage::kEndRun);  // Escape ends
}

// Which waypoints got no element, told after a run that succeeds: skipped after a failure or
// without a cache name; retried and ended ones are not among them.
TEST_F(WindowLogicTest, EndOfRunListsTheMissingWaypoints) {
  const std::string heading = "В документе нет этих тайников:";
  const struct {
    const char* what;
    int skipped;
    int without_name;
    std::string list;
  } rows[] = {
      {"every waypoint has its element", 0, 0, ""},
      {"one of each", 1, 1,
       heading + "\nТайник 1, строка 1 из 30: 404 Not Found" +
           "\nТайник 2, строка 2 из 30: нет страницы тайника"},
      {"twenty are listed whole", 0, 20, ""},
      {"more than twenty", 20, 5, ""},
  };
  for (const auto& row : rows) {
    Reset();
    (void)logic.OpenAccepted(kFile);
    int line = 0;
    for (int i = 0; i < row.skipped; ++i) {
      ++line;
      (void)logic.PageFailed(std::to_string(line), {line, 30}, "404 Not Found");
      logic.FailedPageAnswered(AfterFailedPage::kRetry);
      (void)logic.PageFailed(std::to_string(line), {line, 30}, "404 Not Found");
      logic.FailedPageAnswered(AfterFailedPage::kSkip);
    }
    for (int i = 0; i < row.without_name; ++i) {
      ++line;
      logic.PageWithoutName(std::to_string(line), {line, 30});
    }
    const auto end = logic.RunSucceeded();
    EXPECT_TRUE(end.focus_save_button);
    const std::string& list = end.missing_list;
    const int missing = row.skipped + row.without_name;
    if (!row.list.empty() || missing == 0) {
      EXPECT_EQ(list, row.list) << row.what;
      continue;
    }
    EXPECT_TRUE(list.starts_with(heading)) << row.what;
    const auto lines = std::count(list.begin(), list.end(), '\n');
    EXPECT_EQ(lines, std::min(missing, 20) + (missing > 20 ? 1 : 0)) << row.what;
    EXPECT_NE(list.find("\nТайник 20, строка 20 из 30: "), std::string::npos) << row.what;
    EXPECT_EQ(list.find("Тайник 21,"), std::string::npos) << row.what;
    EXPECT_EQ(list.ends_with("\nи ещё 5"), missing > 20) << row.what;
  }
  // A new run starts its own list.
  (void)logic.OpenAccepted(kFile);
  EXPECT_EQ(logic.RunSucceeded().missing_list, "");
}

}  // namespace
}  // namespace trelka
