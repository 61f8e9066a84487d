// The seam between a conversion run and whatever shows it: the window operations a run uses,
// in the order of their first use. The window implements it with its controls, trelka-batch
// with lines on stderr, the tests with a log.
#pragma once

#include <string>

namespace trelka {

class RunWindow {
 public:
  virtual ~RunWindow() = default;
  virtual void DisableCheckBox() = 0;
  virtual void DisableSaveButton() = 0;
  // Shows ProgressText(index, total) and repaints before returning.
  virtual void ShowProgress(int index, int total) = 0;
  // Whether terrain descriptions are to be included; read once per waypoint.
  virtual bool ReadCheckBox() = 0;
  virtual void EnableSaveButton() = 0;
};

// index, " из ", total, in UTF-8, the way the window and trelka-batch show progress.
[[nodiscard]] inline std::string ProgressText(int index, int total) {
  return std::to_string(index) + " из " + std::to_string(total);
}

}  // namespace trelka
