#include "handler_boundary.h"

#include <exception>
#include <string>

#include "platform/failure.h"
#include "window_logic.h"

namespace trelka {

void RunHandler(Prompts& prompts, QWidget* window, const QString& title,
                const std::function<void()>& handler) {
  std::string message;
  try {
    handler();
    return;
  } catch (const std::exception&) {
    message = FailureMessageOf(std::current_exception());
  }
  // Shown outside the catch, so a memory exhaustion's exception is released by then.
  prompts.ShowError(window, title, QString::fromStdString(FailureBoxText(message)));
}

}  // namespace trelka
