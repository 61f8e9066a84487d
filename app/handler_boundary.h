// The one place where the window catches failures: every handler runs inside RunHandler,
// which shows whatever ends it in an error box. Nothing else in the window catches.
#pragma once

#include <QString>
#include <functional>

#include "prompts.h"

namespace trelka {

// Runs handler. A Failure, memory exhaustion or any other std::exception that ends it is shown
// with FailureDisplayText's "." rule, converted from windows-1251, titled title.
void RunHandler(Prompts& prompts, QWidget* window, const QString& title,
                const std::function<void()>& handler);

}  // namespace trelka
