// The window end to end: TForm1 converts a generated catalogue from nginx, and the files its
// save button writes after that one run, in GPX 1.0 and in GPX 1.1, are byte for byte what
// trelka-batch writes for the same catalogue with --gpx 1.0 and --gpx 1.1, also when a page
// is missing and the window is told to skip it (trelka-batch's --keep-going).
#include <sys/wait.h>

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

namespace {

// The catalogue of 300 caches with the waypoint at line `line` replaced by one whose cache
// has no page (404).
constexpr int kLargeCount = 300;
constexpr int kMissingLine = 250;
constexpr char kMissingId[] = "999999";

// waypoints with the id of its line-th waypoint line replaced by kMissingId.
std::string WithMissingPage(const std::string& waypoints, int line) {
  std::size_t at = 0;
  for (int skip = 4 + line - 1; skip > 0; --skip) at = waypoints.find("\r\n", at) + 2;
  const std::size_t id = waypoints.find(",TR", at) + 3;
  const std::size_t id_end = waypoints.find(',', id);
  return waypoints.substr(0, id) + kMissingId + waypoints.substr(id_end);
}

}  // namespace

class WindowEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    dir_ = std::make_unique<TempDir>();
    for (const auto& [folder, count] : {std::pair{"catalogue", 60}, {"large", kLargeCount}}) {
      const std::string make_site = std::string("python3 '") + TRELKA_E2E_DIR + "/make_site.py' '" +
                                    Path(folder) + "' " + std::to_string(count);
      QCOMPARE(std::system(make_site.c_str()), 0);
    }
    dir_->Write("large/missing.wpt",
                WithMissingPage(ReadFileBytes(Path("large/caches.wpt")), kMissingLine));
    server_ = std::make_unique<NginxServer>(Path("catalogue/site"));
    large_server_ = std::make_unique<NginxServer>(Path("large/site"));
  }
  void cleanupTestCase() {
    server_.reset();
    large_server_.reset();
    dir_.reset();
  }

  void sameBytesAsTrelkaBatch_data() {
    QTest::addColumn<bool>("terrain");
    QTest::addColumn<bool>("large");  // the 300 caches with a missing page, else 60 caches
    QTest::newRow("without terrain descriptions") << false << false;
    QTest::newRow("with terrain descriptions") << true << false;
    QTest::newRow("300 caches, a 404 at 250, Пропустить") << false << true;
  }
  void sameBytesAsTrelkaBatch() {
    QFETCH(bool, terrain);
    QFETCH(bool, large);
    const std::string wpt = Path(large ? "large/missing.wpt" : "catalogue/caches.wpt");
    const std::string address = large ? large_server_->Address() : server_->Address();
    ScriptedPrompts prompts;
    TForm1 form(prompts, address);
    form.show();
    if (terrain) QTest::mouseClick(form.CheckBox1, Qt::LeftButton);
    QCOMPARE(form.CheckBox1->isChecked(), terrain);
    if (large) prompts.AnswerNextFailedPage(trelka::AfterFailedPage::kSkip);

    prompts.AcceptNext(QString::fromStdString(wpt));
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    // The run goes on its own thread; the file button reads "Файл Wpt" again when it has ended.
    QTRY_COMPARE_WITH_TIMEOUT(form.Button1->text(), QStringLiteral("Файл Wpt"), 120000);
    QVERIFY(form.Button2->isEnabled());
    // Both shapes from the one run, by the save dialog's entries.
    for (const auto& [shape, entry] : kShapes) {
      prompts.AcceptNext(QString::fromStdString(Path("window-", shape)), entry);
      QTest::mouseClick(form.Button2, Qt::LeftButton);
    }
    QVERIFY(prompts.errors.empty());
    QCOMPARE(prompts.unexpected_dialogs, 0);
    if (large) {
      QCOMPARE(prompts.questions.size(), std::size_t{1});
      QCOMPARE(prompts.questions[0].text,
               QStringLiteral("404 Not Found.\nТайник %1, строка %2 из %3")
                   .arg(kMissingId)
                   .arg(kMissingLine)
                   .arg(kLargeCount));
      QCOMPARE(prompts.informations.size(), std::size_t{1});
      QVERIFY(prompts.informations[0].text.contains(
          QStringLiteral("Тайник %1, строка %2 из %3: 404 Not Found")
              .arg(kMissingId)
              .arg(kMissingLine)
              .arg(kLargeCount)));
    }

    for (const auto& [shape, entry] : kShapes) {
      const std::string batch = std::string("'") + TRELKA_BATCH + "' " +
                                (terrain ? "--terrain " : "") + (large ? "--keep-going " : "") +
                                "--gpx " + shape + " --service " + address + " '" + wpt + "' '" +
                                Path("batch-", shape) + "' 2>/dev/null";
      const int status = std::system(batch.c_str());
      QVERIFY(WIFEXITED(status));
      QCOMPARE(WEXITSTATUS(status), large ? 3 : 0);  // 3: some caches were skipped
      const std::string saved = ReadFileBytes(Path("window-", shape));
      QVERIFY(saved.size() > 100000);
      QVERIFY2(saved == ReadFileBytes(Path("batch-", shape)), shape);
    }
    QVERIFY(ReadFileBytes(Path("window-", "1.0")) != ReadFileBytes(Path("window-", "1.1")));
  }

 private:
  [[nodiscard]] std::string Path(const char* name) const { return (dir_->Path() / name).string(); }
  // The file of a shape: prefix, the shape, ".gpx".
  [[nodiscard]] std::string Path(const char* prefix, const char* shape) const {
    return Path((std::string(prefix) + shape + ".gpx").c_str());
  }

  // Each shape as trelka-batch's --gpx names it, and the save dialog's entry that saves it.
  static constexpr std::pair<const char*, int> kShapes[] = {{"1.0", 1}, {"1.1", 0}};

  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<NginxServer> server_;
  std::unique_ptr<NginxServer> large_server_;
};

QTEST_MAIN(WindowEndToEndTest)
#include "window_e2e_test.moc"
