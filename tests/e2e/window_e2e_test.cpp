// The window end to end: TForm1 converts the generated catalogue from nginx, and the file its
// save button writes is byte for byte what trelka-batch writes for the same catalogue.
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>

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
    prompts.AcceptNext(QString::fromStdString(Path("window.gpx")));
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    QVERIFY(prompts.errors.empty());

    const std::string batch = std::string("'") + TRELKA_BATCH + "' " +
                              (terrain ? "--terrain " : "") + "--service " + server_->Address() +
                              " '" + Path("catalogue/caches.wpt") + "' '" + Path("batch.gpx") +
                              "' 2>/dev/null";
    QCOMPARE(std::system(batch.c_str()), 0);
    const std::string saved = ReadFileBytes(Path("window.gpx"));
    QVERIFY(saved.size() > 100000);
    QVERIFY(saved == ReadFileBytes(Path("batch.gpx")));
  }

 private:
  [[nodiscard]] std::string Path(const char* name) const { return (dir_->Path() / name).string(); }

  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<NginxServer> server_;
};

QTEST_MAIN(WindowEndToEndTest)
#include "window_e2e_test.moc"
