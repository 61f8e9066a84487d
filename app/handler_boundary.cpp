#include "handler_boundary.h"

#include <exception>
#include <new>
#include <string>

#include "codepage.h"
#include "failure.h"

namespace trelka {

void RunHandler(Prompts& prompts, QWidget* window, const QString& title,
                const std::function<void()>& handler) {
  std::string message;
  try {
    handler();
    return;
  } catch (const Failure& failure) {
    message = failure.Message();
  } catch (const std::bad_alloc&) {
    message = kOutOfMemoryMessage;
  } catch (const std::exception& other) {
    message = other.what();
  }
  // Shown outside the catch, so a memory exhaustion's exception is released by then.
  prompts.ShowError(window, title,
                    QString::fromStdString(Cp1251ToUtf8(FailureDisplayText(message))));
}

}  // namespace trelka
