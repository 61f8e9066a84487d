// Qt's own texts (the file dialogs, the message boxes' standard buttons) in Russian, beside
// the window's Russian controls, whatever the desktop's language.
#pragma once

class QCoreApplication;

namespace trelka {

// Loads Qt's Russian translations from Qt's translations folder (Debian's
// qt6-translations-l10n) into application, which owns them from then on. False when they
// are not installed: Qt's texts then stay English.
bool InstallRussianQtTexts(QCoreApplication& application);

}  // namespace trelka
