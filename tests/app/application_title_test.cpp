// The title failure boxes carry, derived from the program's file name.

#include "application_title.h"

#include <QTest>

class ApplicationTitleTest final : public QObject {
  Q_OBJECT

 private slots:
  void derived_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain name") << "/usr/bin/trelka"
                                << "trelka";
    QTest::newRow("cut before the first dot") << "/opt/trelka.bin.old"
                                              << "trelka";
    QTest::newRow("all but the first lowered") << "/opt/TRELKA"
                                               << "Trelka";
    QTest::newRow("first character kept as it is") << "/x/tReLkA"
                                                   << "trelka";
    QTest::newRow("Cyrillic lowered too") << "/x/ТРЕЛКА.run"
                                          << "Трелка";
    QTest::newRow("dots in the folder do not count") << "/a.b/c.d/Go.x"
                                                     << "Go";
    QTest::newRow("no folder") << "Trelka-2"
                               << "Trelka-2";
    QTest::newRow("starts with a dot") << "/x/.hidden"
                                       << "";
    QTest::newRow("empty") << ""
                           << "";
  }
  void derived() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(trelka::ApplicationTitle(path), title);
  }
};

QTEST_APPLESS_MAIN(ApplicationTitleTest)
#include "application_title_test.moc"
