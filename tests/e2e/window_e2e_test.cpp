// The window end to end: TForm1 converts the generated catalogue from nginx, and the files its
// save button writes after that one run, in GPX 1.1 and in GPX 1.0, are byte for byte what
// trelka-batch writes for the same catalogue with --gpx 1.1 and --gpx 1.0.
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "nginx_server.h"
#include "scripted_prompts.h"
#include "test_support.h"
#include "tform1.h"

using trelka::testing::NginxServer;
using trelka::testing::ReadFileBytes;
using trelka::testing::ScriptedPrompts;
using trelka::testing::TempDir;

class WindowEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    dir_ = std::make_unique<TempDir>();
    const std::string make_site =
        std::string("python3 '") + TRELKA_E2E_DIR + "/make_site.py' '" + Path("catalogue") + "' 60";
    QCOMPARE(std::system(make_site.c_str()), 0);
    server_ = std::make_unique<NginxServer>(Path("catalogue/site"));
  }
  void cleanupTestCase() {
    server_.reset();
    dir_.reset();
  }

  void sameBytesAsTrelkaBatch_data() {
    QTest::addColumn<bool>("terrain");
    QTest::newRow("without terrain descriptions") << false;
    QTest::newRow("with terrain descriptions") << true;
  }
  void sameBytesAsTrelkaBatch() {
    QFETCH(bool, terrain);
    ScriptedPrompts prompts;
    TForm1 form(prompts, server_->Address());
    form.show();
    if (terrain) QTest::mouseClick(form.CheckBox1, Qt::LeftButton);
    QCOMPARE(form.CheckBox1->isChecked(), terrain);

    prompts.AcceptNext(QString::fromStdString(Path("catalogue/caches.wpt")));
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    // The run goes on its own thread; the file button comes back when it has ended.
    QTRY_VERIFY_WITH_TIMEOUT(form.Button1->isEnabled(), 120000);
    QVERIFY(form.Button2->isEnabled());
    for (const auto& [shape, entry] : {std::pair{"1.0", 1}, std::pair{"1.1", 0}}) {
      const std::string name = std::string("window-") + shape + ".gpx";
      prompts.AcceptNext(QString::fromStdString(Path(name.c_str())), entry);
      QTest::mouseClick(form.Button2, Qt::LeftButton);
      QVERIFY(prompts.errors.empty());

      const std::string batch_name = std::string("batch-") + shape + ".gpx";
      const std::string batch = std::string("'") + TRELKA_BATCH + "' " +
                                (terrain ? "--terrain " : "") + "--gpx " + shape + " --service " +
                                server_->Address() + " '" + Path("catalogue/caches.wpt") + "' '" +
                                Path(batch_name.c_str()) + "' 2>/dev/null";
      QCOMPARE(std::system(batch.c_str()), 0);
      const std::string saved = ReadFileBytes(Path(name.c_str()));
      QVERIFY(saved.size() > 100000);
      QVERIFY2(saved == ReadFileBytes(Path(batch_name.c_str())), shape);
    }
    QVERIFY(ReadFileBytes(Path("window-1.0.gpx")) != ReadFileBytes(Path("window-1.1.gpx")));
  }

 private:
  [[nodiscard]] std::string Path(const char* name) const { return (dir_->Path() / name).string(); }

  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<NginxServer> server_;
};

QTEST_MAIN(WindowEndToEndTest)
#include "window_e2e_test.moc"
