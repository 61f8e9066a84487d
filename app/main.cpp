// Start-up of the window program: the application, Form1, the event loop.

#include <QApplication>
#include <QIcon>

#include "atomic_write.h"
#include "build_config.h"
#include "qt_prompts.h"
#include "tform1.h"

int main(int argc, char** argv) {
  trelka::InstallTemporaryFileCleanup();
  QApplication application(argc, argv);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/trelka.png")));
  QGuiApplication::setDesktopFileName(QStringLiteral("trelka"));

  trelka::QtPrompts prompts;
  TForm1 form(prompts, trelka::kPageServiceAddress);
  Form1 = &form;
  form.show();
  return QApplication::exec();
}
