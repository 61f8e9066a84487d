// Start-up of the window program: the application, Qt's Russian texts, Form1, the event loop.
// A waypoint file named on the command line (as the desktop entry's %f does) is converted at
// once; of several, the first.

#include <QApplication>
#include <QIcon>
#include <QStringList>

#include "build_config.h"
#include "platform/atomic_write.h"
#include "platform/heap_settings.h"
#include "platform/standard_streams.h"
#include "qt_prompts.h"
#include "qt_translation.h"
#include "tform1.h"

int main(int argc, char** argv) {
  trelka::ClosedStandardStreams closed;
  if (!trelka::PrepareStandardStreams(closed)) return 1;
  trelka::InstallTemporaryFileCleanup();
  trelka::KeepFreedMemoryForReuse();
  QApplication application(argc, argv);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/trelka.png")));
  QGuiApplication::setDesktopFileName(QStringLiteral("trelka"));
  trelka::InstallRussianQtTexts(application);
  // What Qt's own options leave.
  const QStringList arguments = QCoreApplication::arguments();

  trelka::QtPrompts prompts;
  TForm1 form(prompts, trelka::kPageServiceAddress);
  Form1 = &form;
  form.show();
  if (arguments.size() > 1) form.OpenWaypointFiles(arguments.mid(1));
  return QApplication::exec();
}
