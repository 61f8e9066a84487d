// The real TForm1, driven headless by clicks, keys and drops, with scripted dialogs and a page
// service on 127.0.0.1: its layout, that it shows its states (whose rules window_logic_test
// holds), progress, failed pages and what the answers do, saving, the pages it keeps, and what
// it does with input, Stop and closing while a run goes on.

#include "tform1.h"

#include <sys/mount.h>

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMimeData>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "application_title.h"
#include "loopback_server.h"
#include "scripted_prompts.h"
#include "test_support.h"

using trelka::testing::LoopbackServer;
using trelka::testing::ReadFileBytes;
using trelka::testing::Reply;
using trelka::testing::ScriptedPrompts;
using trelka::testing::TempDir;

namespace {

enum class State { kStart, kConverted, kSaved, kStale, kFailed };
enum class Event {
  kOpenCancelled,
  kOpenMissingFile,
  kOpenFolder,
  kOpenFile,
  kOpenFailingFile,
  kSaveCancelled,
  kSave,
  kSaveFails,
  kToggle,
  kReturn,       // on the focused control, the dialog accepting a waypoint file
  kEnterOnSave,  // the keypad's Enter on the focused save button
};

// What reaches the window while a run goes on.
enum class Input { kCommandLine, kDrop };

// What comes before a run of the same file, whose pages the window then holds.
enum class Before { kEndRun, kStop, kToggle };

using Answers = std::vector<trelka::AfterFailedPage>;

const QString kSaveFilter =
    QStringLiteral("Файлы GPX|*.gpx|Файлы GPX 1.0 (c:geo, навигаторы)|*.gpx");

constexpr std::string_view kWptHeader =
    "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n";

// What tells the states apart.
struct Observed {
  bool check_box = false;
  bool save = false;
  bool document = false;

  bool operator==(const Observed&) const = default;
};

char* toString(const Observed& observed) {
  return QTest::toString(QStringLiteral("check box %1, save %2, document %3")
                             .arg(observed.check_box ? "on" : "off", observed.save ? "on" : "off",
                                  observed.document ? "held" : "empty"));
}

Observed Expected(State state) {
  switch (state) {
    case State::kStart:
      return {true, false, false};
    case State::kConverted:
      return {false, true, true};
    case State::kSaved:
      return {true, true, true};
    case State::kStale:
      return {true, false, true};
    case State::kFailed:
      return {true, false, false};  // nothing to save, so the check box is free again
  }
  return {};
}

// Records the label's text at each of its paints, and "window" for each paint of the form.
class PaintLog final : public QObject {
 public:
  explicit PaintLog(TForm1& form) : form_(form) {
    form.installEventFilter(this);
    form.Label1->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      entries.push_back(watched == form_.Label1 ? form_.Label1->text() : QStringLiteral("window"));
    }
    return false;
  }
  std::vector<QString> entries;

 private:
  TForm1& form_;
};

// Drags the local files named names over form and, when it takes them, drops them there;
// whether it took the drop, as a copy.
bool Drop(TForm1& form, const QStringList& names) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& name : names) urls << QUrl::fromLocalFile(name);
  data.setUrls(urls);
  const QPoint middle = form.rect().center();
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(middle, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(middle, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &drop);
  return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

}  // namespace

Q_DECLARE_METATYPE(State)
Q_DECLARE_METATYPE(Event)
Q_DECLARE_METATYPE(Input)
Q_DECLARE_METATYPE(Before)
Q_DECLARE_METATYPE(Answers)

class TForm1Test final : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void startState();
  void layout_data();
  void layout();
  void window();
  void tabOrder();
  void textsFit_data();
  void textsFit();
  void transitions_data();
  void transitions();
  void progress_data();
  void progress();
  void showProgressPaintsAtOnce();
  void failedPage_data();
  void failedPage();
  void stopDuringARun();
  void keptPages_data();
  void keptPages();
  void savedBytes();
  void savedShapes();
  void dialogsRememberNames();
  void failedSaveLeavesEarlierFile_data();
  void failedSaveLeavesEarlierFile();
  void inputDuringARun_data();
  void inputDuringARun();
  void closeDuringARun();
  void filesFromOutside_data();
  void filesFromOutside();

 private:
  std::string Path(const char* name) const { return (dir_->Path() / name).string(); }
  QString QPath(const char* name) const { return QString::fromStdString(Path(name)); }
  Observed Observe() const {
    return {form_->CheckBox1->isEnabled(), form_->Button2->isEnabled(),
            !form_->ResultDocument.Empty()};
  }
  void Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }
  // A run ends on its own thread's time; the file button reads "Файл Wpt" again at its end. A
  // drop starts one after the event loop's next pass.
  void WaitIdle() {
    QCoreApplication::sendPostedEvents();
    QTRY_COMPARE_WITH_TIMEOUT(form_->Button1->text(), QStringLiteral("Файл Wpt"), 20000);
  }
  void Convert(const QString& path) {
    prompts_->AcceptNext(path);
    Click(form_->Button1);
    WaitIdle();
  }
  // Saves under path, with the save dialog's filter entry filter_index chosen.
  void Save(const QString& path, int filter_index = 0) {
    prompts_->AcceptNext(path, filter_index);
    Click(form_->Button2);
  }
  void Reach(State state);
  void Apply(Event event);

  std::unique_ptr<TempDir> dir_;
  // While set, the page service holds its answers (for ten seconds at most): all, or those
  // for cache 33.
  std::atomic<bool> held_{false};
  std::atomic<bool> held_33_{false};
  // How many more requests for cache 404 fail; -1 for all.
  std::atomic<int> not_found_left_{-1};
  // Requests the page service had, by cache id.
  std::map<std::string, int> RequestsById() const {
    std::map<std::string, int> counts;
    for (const std::string& line : server_->RequestLines()) {
      const auto id = line.find("cid=");
      if (id == std::string::npos) continue;  // a request abandoned before its line was sent
      counts[line.substr(id + 4, line.find(' ', id) - id - 4)]++;
    }
    return counts;
  }
  std::unique_ptr<LoopbackServer> server_;
  std::unique_ptr<ScriptedPrompts> prompts_;
  std::unique_ptr<TForm1> form_;
  QString three_;     // three waypoints
  QString failing_;   // three waypoints, the second page is missing
  QString nameless_;  // three waypoints, the second page without the cache name
  QString empty_;     // the header only
};

// A cache page that yields an element, and the answer for a cache that does not exist.
const std::string kPageResponse =
    "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=windows-1251\r\n\r\n"
    "<html><body><p><b>Cache</b> a cache page</body></html>";
const std::string kNotFoundResponse =
    "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>no such cache</html>";
const std::string kNamelessResponse =
    "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>no cache name here</html>";

void TForm1Test::init() {
  dir_ = std::make_unique<TempDir>();
  // The cache id 404 has no page, 555 a page without the cache name.
  held_ = false;
  held_33_ = false;
  not_found_left_ = -1;
  server_ = std::make_unique<LoopbackServer>([this](const std::string& request) {
    const auto asks = [&request](const char* id) {
      return request.find(std::string("cid=") + id + " ") != std::string::npos;
    };
    for (int i = 0; (held_ || (held_33_ && asks("33"))) && i < 1000; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (asks("404") && not_found_left_ != 0) {
      if (not_found_left_ > 0) --not_found_left_;
      return Reply{kNotFoundResponse};
    }
    return Reply{asks("555") ? kNamelessResponse : kPageResponse};
  });
  prompts_ = std::make_unique<ScriptedPrompts>();
  form_ = std::make_unique<TForm1>(*prompts_, server_->Address());
  three_ = QString::fromStdString(dir_->Write(
      "three.wpt", std::string(kWptHeader) + "1,TR11,55.1,37.1,\r\n2,TR22,55.2,37.2,\r\n"
                                             "3,TR33,55.3,37.3,\r\n"));
  failing_ = QString::fromStdString(dir_->Write(
      "failing.wpt", std::string(kWptHeader) + "1,TR11,55.1,37.1,\r\n2,TR404,55.2,37.2,\r\n"
                                               "3,TR33,55.3,37.3,\r\n"));
  nameless_ = QString::fromStdString(dir_->Write(
      "nameless.wpt", std::string(kWptHeader) + "1,TR11,55.1,37.1,\r\n2,TR555,55.2,37.2,\r\n"
                                                "3,TR33,55.3,37.3,\r\n"));
  empty_ = QString::fromStdString(dir_->Write("empty.wpt", kWptHeader));
  form_->show();
  QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TForm1Test::cleanup() {
  held_ = false;
  held_33_ = false;
  QCOMPARE(prompts_->unexpected_dialogs, 0);
  QVERIFY(prompts_->answers.empty());
  QVERIFY(prompts_->failed_page_answers.empty());
  form_.reset();
  prompts_.reset();
  server_.reset();
  dir_.reset();
}

void TForm1Test::Reach(State state) {
  switch (state) {
    case State::kStart:
      break;
    case State::kConverted:
      Convert(three_);
      break;
    case State::kSaved:
      Convert(three_);
      Save(QPath("first.gpx"));
      break;
    case State::kStale:
      Reach(State::kSaved);
      Click(form_->CheckBox1);
      break;
    case State::kFailed:
      prompts_->AnswerNextFailedPage(trelka::AfterFailedPage::kEndRun);
      Convert(failing_);
      prompts_->errors.clear();
      prompts_->questions.clear();
      break;
  }
  QCOMPARE(Observe(), Expected(state));
}

void TForm1Test::Apply(Event event) {
  switch (event) {
    case Event::kOpenCancelled:
      prompts_->CancelNext();
      Click(form_->Button1);
      break;
    case Event::kOpenMissingFile:
      Convert(QPath("absent.wpt"));
      break;
    case Event::kOpenFolder:
      Convert(QString::fromStdString(dir_->Path().string()));
      break;
    case Event::kOpenFile:
      Convert(three_);
      break;
    case Event::kOpenFailingFile:
      prompts_->AnswerNextFailedPage(trelka::AfterFailedPage::kEndRun);
      Convert(failing_);
      break;
    case Event::kSaveCancelled:
      prompts_->CancelNext();
      Click(form_->Button2);
      break;
    case Event::kSave:
      Save(QPath("second.gpx"));
      break;
    case Event::kSaveFails:
      Save(QPath("no-such-folder/second.gpx"));
      break;
    case Event::kToggle:
      Click(form_->CheckBox1);
      break;
    case Event::kReturn: {
      QVERIFY(form_->focusWidget() != nullptr);
      const bool saves = form_->focusWidget() == form_->Button2;
      prompts_->AcceptNext(saves ? QPath("second.gpx") : three_);
      QTest::keyClick(form_->focusWidget(), Qt::Key_Return);
      WaitIdle();
      break;
    }
    case Event::kEnterOnSave:
      prompts_->AcceptNext(QPath("second.gpx"));
      form_->Button2->setFocus();
      QTest::keyClick(form_->focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
      break;
  }
}

void TForm1Test::startState() {
  QCOMPARE(Observe(), Expected(State::kStart));
  QVERIFY(form_->Button1->isEnabled());
  QVERIFY(!form_->CheckBox1->isChecked());
  QCOMPARE(form_->Label1->text(), QString());
  QCOMPARE(form_->OpenDialog1.FileName(), QString());
  QCOMPARE(form_->SaveDialog1.FileName(), QString());
  QCOMPARE(form_->OpenDialog1.Filter(), QStringLiteral("файлы Wpt |*.wpt"));
  QCOMPARE(form_->SaveDialog1.Filter(), kSaveFilter);
}

void TForm1Test::layout_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QRect>("geometry");
  QTest::addColumn<QString>("text");
  QTest::newRow("check box") << "CheckBox1" << QRect(8, 8, 177, 17)
                             << QStringLiteral("Вставить Описание местности");
  QTest::newRow("file button") << "Button1" << QRect(8, 32, 177, 25) << QStringLiteral("Файл Wpt");
  QTest::newRow("save button") << "Button2" << QRect(8, 64, 177, 25) << QStringLiteral("Save");
  QTest::newRow("progress label") << "Label1" << QRect(8, 96, 177, 25) << QString();
}

void TForm1Test::layout() {
  QFETCH(QString, control);
  QFETCH(QRect, geometry);
  QFETCH(QString, text);
  const auto* widget = form_->findChild<QWidget*>(control);
  QVERIFY(widget != nullptr);
  QCOMPARE(widget->geometry(), geometry);
  QCOMPARE(widget->property("text").toString(), text);
}

void TForm1Test::window() {
  QCOMPARE(form_->windowTitle(), QStringLiteral("Trelka"));
  QCOMPARE(form_->size(), QSize(191, 132));
  QCOMPARE(form_->minimumSize(), form_->maximumSize());
  QCOMPARE(form_->pos(), QPoint(192, 114));
  const Qt::WindowFlags flags = form_->windowFlags();
  QVERIFY(flags & Qt::WindowMinimizeButtonHint);
  QVERIFY(flags & Qt::WindowCloseButtonHint);
  QVERIFY(flags & Qt::WindowSystemMenuHint);
  QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
  QCOMPARE(form_->backgroundRole(), QPalette::Button);
  QVERIFY(form_->autoFillBackground());
  QVERIFY(form_->windowIcon().availableSizes().contains(QSize(40, 40)));

  const QLabel& label = *form_->Label1;
  QCOMPARE(label.alignment(), Qt::AlignHCenter | Qt::AlignTop);
  QVERIFY(label.font().bold());
  QVERIFY(!label.wordWrap());
  QCOMPARE(label.focusPolicy(), Qt::NoFocus);
  QVERIFY(label.autoFillBackground());
  QCOMPARE(label.backgroundRole(), form_->backgroundRole());
  // The label's font is the larger one; the other controls share the window's.
  QVERIFY(label.font().pointSizeF() > form_->font().pointSizeF());
  QCOMPARE(form_->CheckBox1->font(), form_->font());
}

void TForm1Test::tabOrder() {
  form_->Button2->setEnabled(true);  // so that every control takes part
  form_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  QCOMPARE(QApplication::focusWidget(), form_->Button1);
  QTest::keyClick(form_.get(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), form_->Button2);
  QTest::keyClick(form_.get(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), form_->CheckBox1);
  QTest::keyClick(form_.get(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), form_->Button1);
}

void TForm1Test::textsFit_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("text");  // "" for the control's own
  QTest::newRow("check box") << "CheckBox1" << QString();
  QTest::newRow("file button") << "Button1" << QString();
  QTest::newRow("save button") << "Button2" << QString();
  QTest::newRow("three-digit counts") << "Label1" << QStringLiteral("999 из 999");
  QTest::newRow("six-digit counts") << "Label1" << QStringLiteral("999999 из 999999");
}

// A text that is wider or taller than the area the style draws it in is cut off.
void TForm1Test::textsFit() {
  QFETCH(QString, control);
  QFETCH(QString, text);
  const auto* widget = form_->findChild<QWidget*>(control);
  QVERIFY(widget != nullptr);
  QRect area = widget->contentsRect();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(button);
    const auto* push_button = qobject_cast<const QPushButton*>(button);
    if (push_button != nullptr && push_button->autoDefault()) {
      option.features |= QStyleOptionButton::AutoDefaultButton;
    }
    area = button->style()->subElementRect(
        button == form_->CheckBox1 ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents,
        &option, button);
    text = button->text();
  }
  const QFontMetrics metrics(widget->font());
  QVERIFY2(metrics.horizontalAdvance(text) <= area.width(), qPrintable(text));
  QVERIFY(metrics.height() <= area.height());
}

void TForm1Test::transitions_data() {
  QTest::addColumn<State>("from");
  QTest::addColumn<Event>("event");
  QTest::addColumn<State>("to");
  QTest::addColumn<int>("dialogs");
  QTest::addColumn<int>("errors");
  QTest::addColumn<QString>("label");  // "" for unchanged

  const QString same;
  const QString done = QStringLiteral("3 из 3");
  const QString failed = QStringLiteral("2 из 3");
  using S = State;
  using E = Event;
  // clang-format off
  QTest::newRow("start: open cancelled") << S::kStart << E::kOpenCancelled << S::kStart << 1 << 0 << same;
  QTest::newRow("start: missing file") << S::kStart << E::kOpenMissingFile << S::kStart << 1 << 0 << same;
  QTest::newRow("start: a folder") << S::kStart << E::kOpenFolder << S::kStart << 1 << 0 << same;
  QTest::newRow("converted: open cancelled") << S::kConverted << E::kOpenCancelled << S::kConverted << 1 << 0 << same;
  QTest::newRow("saved: missing file") << S::kSaved << E::kOpenMissingFile << S::kSaved << 1 << 0 << same;
  QTest::newRow("stale: a folder") << S::kStale << E::kOpenFolder << S::kStale << 1 << 0 << same;
  QTest::newRow("failed: open cancelled") << S::kFailed << E::kOpenCancelled << S::kFailed << 1 << 0 << same;
  QTest::newRow("start: run") << S::kStart << E::kOpenFile << S::kConverted << 1 << 0 << done;
  QTest::newRow("converted: run again") << S::kConverted << E::kOpenFile << S::kConverted << 1 << 0 << done;
  QTest::newRow("saved: run again") << S::kSaved << E::kOpenFile << S::kConverted << 1 << 0 << done;
  QTest::newRow("stale: run again") << S::kStale << E::kOpenFile << S::kConverted << 1 << 0 << done;
  QTest::newRow("failed: run again") << S::kFailed << E::kOpenFile << S::kConverted << 1 << 0 << done;
  QTest::newRow("start: run fails") << S::kStart << E::kOpenFailingFile << S::kFailed << 1 << 1 << failed;
  QTest::newRow("saved: run fails") << S::kSaved << E::kOpenFailingFile << S::kFailed << 1 << 1 << failed;
  QTest::newRow("converted: save cancelled") << S::kConverted << E::kSaveCancelled << S::kConverted << 1 << 0 << same;
  QTest::newRow("saved: save cancelled") << S::kSaved << E::kSaveCancelled << S::kSaved << 1 << 0 << same;
  QTest::newRow("converted: save") << S::kConverted << E::kSave << S::kSaved << 1 << 0 << same;
  QTest::newRow("saved: save again") << S::kSaved << E::kSave << S::kSaved << 1 << 0 << same;
  QTest::newRow("converted: save fails") << S::kConverted << E::kSaveFails << S::kConverted << 1 << 1 << same;
  QTest::newRow("saved: save fails") << S::kSaved << E::kSaveFails << S::kSaved << 1 << 1 << same;
  QTest::newRow("saved: toggle") << S::kSaved << E::kToggle << S::kStale << 0 << 0 << same;
  QTest::newRow("stale: toggled back") << S::kStale << E::kToggle << S::kSaved << 0 << 0 << same;
  QTest::newRow("start: toggle") << S::kStart << E::kToggle << S::kStart << 0 << 0 << same;
  QTest::newRow("failed: toggle") << S::kFailed << E::kToggle << S::kFailed << 0 << 0 << same;
  QTest::newRow("start: Return on the file button") << S::kStart << E::kReturn << S::kConverted << 1 << 0 << done;
  QTest::newRow("converted: Return saves after a run") << S::kConverted << E::kReturn << S::kSaved << 1 << 0 << same;
  QTest::newRow("converted: Enter on the save button") << S::kConverted << E::kEnterOnSave << S::kSaved << 1 << 0 << same;
  // Disabled controls take no clicks.
  QTest::newRow("converted: check box is dead") << S::kConverted << E::kToggle << S::kConverted << 0 << 0 << same;
  QTest::newRow("start: save is dead") << S::kStart << E::kSaveCancelled << S::kStart << 0 << 0 << same;
  QTest::newRow("stale: save is dead") << S::kStale << E::kSaveCancelled << S::kStale << 0 << 0 << same;
  QTest::newRow("failed: save is dead") << S::kFailed << E::kSaveCancelled << S::kFailed << 0 << 0 << same;
  // clang-format on
}

void TForm1Test::transitions() {
  QFETCH(State, from);
  QFETCH(Event, event);
  QFETCH(State, to);
  QFETCH(int, dialogs);
  QFETCH(int, errors);
  QFETCH(QString, label);

  Reach(from);
  const QString label_before = form_->Label1->text();
  const std::string document_before = form_->ResultDocument.Text();
  const bool checked_before = form_->CheckBox1->isChecked();
  const std::size_t dialogs_before = prompts_->requests.size();

  Apply(event);
  // A click on a disabled button opens no dialog; drop the answer it left unused.
  if (dialogs == 0) prompts_->answers.clear();

  QCOMPARE(Observe(), Expected(to));
  QCOMPARE(static_cast<int>(prompts_->requests.size() - dialogs_before), dialogs);
  QCOMPARE(static_cast<int>(prompts_->errors.size()), errors);
  QCOMPARE(form_->Label1->text(), label.isEmpty() ? label_before : label);
  QVERIFY(form_->Button1->isEnabled());
  if (to == from && event != Event::kOpenFile) {
    QCOMPARE(form_->ResultDocument.Text(), document_before);
  }
  const bool toggled = event == Event::kToggle && form_->CheckBox1->isEnabled();
  QCOMPARE(form_->CheckBox1->isChecked(), toggled ? !checked_before : checked_before);
  // After a run, Return saves.
  if (label == QStringLiteral("3 из 3")) QCOMPARE(form_->focusWidget(), form_->Button2);
  QCOMPARE(form_->Button1->text(), QStringLiteral("Файл Wpt"));
}

void TForm1Test::progress_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QStringList>("shown");
  QTest::addColumn<int>("requests");
  QTest::newRow("three waypoints") << "three" << QStringList{"1 из 3", "2 из 3", "3 из 3"} << 3;
  QTest::newRow("header only") << "empty" << QStringList{} << 0;
}

void TForm1Test::progress() {
  QFETCH(QString, file);
  QFETCH(QStringList, shown);
  QFETCH(int, requests);
  PaintLog log(*form_);
  Convert(file == "three" ? three_ : empty_);

  // The texts reach the screen in order, each with the label first and then the window; a
  // count that came faster than the screen showed it may be skipped, the last one never.
  QStringList painted;
  for (std::size_t i = 0; i < log.entries.size(); ++i) {
    const QString& entry = log.entries[i];
    if (entry == "window" || entry.isEmpty() || (!painted.isEmpty() && painted.back() == entry)) {
      continue;
    }
    painted << entry;
    QVERIFY(i + 1 < log.entries.size());
    QCOMPARE(log.entries[i + 1], QStringLiteral("window"));
  }
  qsizetype next = 0;
  for (const QString& text : painted) {
    next = shown.indexOf(text, next);
    QVERIFY2(next >= 0, qPrintable(painted.join(", ")));
    ++next;
  }
  QCOMPARE(painted.isEmpty() ? QString() : painted.back(),
           shown.isEmpty() ? QString() : shown.back());
  QCOMPARE(form_->Label1->text(), shown.isEmpty() ? QString() : shown.back());
  QCOMPARE(Observe(), Expected(State::kConverted));
  QCOMPARE(static_cast<int>(server_->RequestLines().size()), requests);
  if (requests == 3) {
    QCOMPARE(server_->RequestLines()[1], std::string("GET /cache.php?cid=22 HTTP/1.0"));
  }
}

void TForm1Test::showProgressPaintsAtOnce() {
  PaintLog log(*form_);
  form_->ShowProgress(12, 345);
  // No event loop pass: both paints happened inside the call.
  const std::vector<QString> first_two(
      log.entries.begin(),
      log.entries.begin() + std::min<std::ptrdiff_t>(2, std::ssize(log.entries)));
  QCOMPARE(first_two,
           (std::vector<QString>{QStringLiteral("12 из 345"), QStringLiteral("window")}));
}

void TForm1Test::failedPage_data() {
  using A = trelka::AfterFailedPage;
  QTest::addColumn<QString>("file");
  QTest::addColumn<int>("failures");  // requests for cache 404 that fail; -1 for all
  QTest::addColumn<Answers>("answers");
  QTest::addColumn<State>("to");
  QTest::addColumn<QString>("error");
  QTest::addColumn<QString>("missing");  // the end-of-run list
  QTest::addColumn<int>("elements");
  const QString asked = QStringLiteral("404 Not Found.\nТайник 404, строка 2 из 3");
  const QString heading = QStringLiteral("В документе нет этих тайников:\n");
  QTest::newRow("404, skip") << "failing" << -1 << Answers{A::kSkip} << State::kConverted
                             << QString()
                             << heading + QStringLiteral("Тайник 404, строка 2 из 3: 404 Not Found")
                             << 2;
  QTest::newRow("404, retry that succeeds")
      << "failing" << 1 << Answers{A::kRetry} << State::kConverted << QString() << QString() << 3;
  QTest::newRow("404, retry that fails, abort")
      << "failing" << -1 << Answers{A::kRetry, A::kEndRun} << State::kFailed
      << QStringLiteral("404 Not Found.") << QString() << 0;
  QTest::newRow("404, abort") << "failing" << -1 << Answers{A::kEndRun} << State::kFailed
                              << QStringLiteral("404 Not Found.") << QString() << 0;
  QTest::newRow("a page without the cache name")
      << "nameless" << -1 << Answers{} << State::kConverted << QString()
      << heading + QStringLiteral("Тайник 555, строка 2 из 3: нет страницы тайника") << 2;
}

// The question names the cache; each answer does what it says, and the window ends as the
// run does: converted (with the list of what is missing) or failed as without a question.
void TForm1Test::failedPage() {
  QFETCH(QString, file);
  QFETCH(int, failures);
  QFETCH(Answers, answers);
  QFETCH(State, to);
  QFETCH(QString, error);
  QFETCH(QString, missing);
  QFETCH(int, elements);
  not_found_left_ = failures;
  for (const auto answer : answers) prompts_->AnswerNextFailedPage(answer);
  Convert(file == "failing" ? failing_ : nameless_);

  const QString title = QString::fromStdString(
      trelka::ApplicationTitle(QCoreApplication::applicationFilePath().toStdString()));
  QVERIFY(!title.isEmpty());
  QCOMPARE(static_cast<int>(prompts_->questions.size()), static_cast<int>(answers.size()));
  for (const auto& question : prompts_->questions) {
    QCOMPARE(question.title, title);
    QCOMPARE(question.text, QStringLiteral("404 Not Found.\nТайник 404, строка 2 из 3"));
  }
  QCOMPARE(static_cast<int>(prompts_->errors.size()), error.isEmpty() ? 0 : 1);
  if (!error.isEmpty()) QCOMPARE(prompts_->errors[0].text, error);
  QCOMPARE(static_cast<int>(prompts_->informations.size()), missing.isEmpty() ? 0 : 1);
  if (!missing.isEmpty()) {
    QCOMPARE(prompts_->informations[0].text, missing);
    QCOMPARE(prompts_->informations[0].title, title);
  }
  QCOMPARE(Observe(), Expected(to));
  QCOMPARE(form_->Label1->text(),
           to == State::kFailed ? QStringLiteral("2 из 3") : QStringLiteral("3 из 3"));
  const std::string document = form_->ResultDocument.Text();
  QCOMPARE(static_cast<int>(std::count(document.begin(), document.end(), '\n')),
           elements == 0 ? 0 : 2 + elements);
  // A retry asks the page service again; nothing else does.
  QCOMPARE(RequestsById()["404"],
           file == "failing" ? static_cast<int>(std::count(answers.begin(), answers.end(),
                                                           trelka::AfterFailedPage::kRetry)) +
                                   1
                             : 0);
  QCOMPARE(RequestsById()["11"], 1);
}

// Against a server that takes the request and never answers: the file button stops the run at
// once, and the window stays, as after a failed run, without a message.
void TForm1Test::stopDuringARun() {
  LoopbackServer silent(std::vector<Reply>{{"", Reply::Then::kStall}});
  TForm1 form(*prompts_, silent.Address());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  prompts_->AcceptNext(three_);
  Click(form.Button1);
  QCOMPARE(form.Button1->text(), QStringLiteral("Стоп"));
  QVERIFY(form.Button1->isEnabled());
  QTRY_COMPARE_WITH_TIMEOUT(form.Label1->text(), QStringLiteral("1 из 3"), 10000);
  QTRY_COMPARE_WITH_TIMEOUT(silent.RequestLines().size(), std::size_t{1}, 10000);

  QElapsedTimer stopping;
  stopping.start();
  Click(form.Button1);
  QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
  QTest::qWait(300);  // anything the run had sent on its way would arrive now

  QVERIFY(form.isVisible());
  QCOMPARE(form.Button1->text(), QStringLiteral("Файл Wpt"));
  QVERIFY(prompts_->errors.empty());
  QVERIFY(prompts_->requests.size() == 1);  // the click stopped; it opened no dialog
  QCOMPARE(form.Label1->text(), QStringLiteral("1 из 3"));
  QCOMPARE((Observed{form.CheckBox1->isEnabled(), form.Button2->isEnabled(),
                     !form.ResultDocument.Empty()}),
           Expected(State::kFailed));
  QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
}

void TForm1Test::keptPages_data() {
  QTest::addColumn<Before>("before");
  QTest::addColumn<QString>("file");
  QTest::addColumn<QStringList>("requests");  // "id count", every page of both runs
  QTest::newRow("after Прервать") << Before::kEndRun << "failing"
                                  << QStringList{"11 1", "33 1", "404 2"};
  QTest::newRow("after Стоп") << Before::kStop << "three" << QStringList{"11 1", "22 1", "33 2"};
  QTest::newRow("after a toggle of the check box")
      << Before::kToggle << "three" << QStringList{"11 1", "22 1", "33 1"};
}

// A run started again asks only for the pages the window does not hold, and makes the same
// document as a run that fetched them all.
void TForm1Test::keptPages() {
  QFETCH(Before, before);
  QFETCH(QString, file);
  QFETCH(QStringList, requests);
  const QString& path = file == "failing" ? failing_ : three_;
  switch (before) {
    case Before::kEndRun:
      not_found_left_ = 1;
      prompts_->AnswerNextFailedPage(trelka::AfterFailedPage::kEndRun);
      Convert(path);
      QCOMPARE(static_cast<int>(prompts_->errors.size()), 1);
      break;
    case Before::kStop:
      held_33_ = true;
      prompts_->AcceptNext(path);
      Click(form_->Button1);
      QTRY_COMPARE_WITH_TIMEOUT(RequestsById()["33"], 1, 10000);
      Click(form_->Button1);
      held_33_ = false;
      break;
    case Before::kToggle:
      Convert(path);
      Save(QPath("first.gpx"));
      Click(form_->CheckBox1);
      break;
  }
  Convert(path);
  QCOMPARE(Observe(), Expected(State::kConverted));

  QStringList counted;
  for (const auto& [id, count] : RequestsById()) {
    counted << QString::fromStdString(id) + u' ' + QString::number(count);
  }
  QCOMPARE(counted, requests);

  ScriptedPrompts prompts;
  TForm1 fresh(prompts, server_->Address());
  fresh.show();
  if (form_->CheckBox1->isChecked()) Click(fresh.CheckBox1);
  prompts.AcceptNext(path);
  Click(fresh.Button1);
  QTRY_VERIFY_WITH_TIMEOUT(fresh.Button2->isEnabled(), 20000);
  QVERIFY(fresh.ResultDocument.Text() == form_->ResultDocument.Text());
}

void TForm1Test::savedBytes() {
  Convert(three_);
  dir_->Write("replaced.gpx", "an older file that is replaced without a question");
  Save(QPath("replaced.gpx"));
  Save(QPath("no-extension"));
  QVERIFY(prompts_->errors.empty());

  const std::string first = ReadFileBytes(Path("replaced.gpx"));
  QCOMPARE(first, form_->ResultDocument.Text() + "\r\n");
  QVERIFY(first.starts_with("<?xml"));  // no byte-order mark
  QVERIFY(first.ends_with("</gpx>\r\n\r\n"));
  QCOMPARE(trelka::testing::XmlProblem(first), std::string());
  QCOMPARE(ReadFileBytes(Path("no-extension")), first);
  QVERIFY(!std::filesystem::exists(Path("no-extension.gpx")));
}

// The save dialog's second entry writes GPX 1.0, the first GPX 1.1, in any order and from the
// one run: saving asks the page service for nothing.
void TForm1Test::savedShapes() {
  Convert(three_);
  const std::size_t requests = server_->RequestLines().size();
  Save(QPath("gpx10.gpx"), 1);
  Save(QPath("gpx11.gpx"), 0);
  Save(QPath("gpx10-again.gpx"), 1);
  QVERIFY(prompts_->errors.empty());
  QCOMPARE(server_->RequestLines().size(), requests);

  const std::string gpx10 = ReadFileBytes(Path("gpx10.gpx"));
  QCOMPARE(gpx10, form_->ResultGpx10Edits.Apply(form_->ResultDocument) + "\r\n");
  QVERIFY(gpx10.find("<gpx xmlns=\"http://www.topografix.com/GPX/1/0\" version=\"1.0\"") !=
          std::string::npos);
  QVERIFY(gpx10.find("<name>three</name>") != std::string::npos);
  QVERIFY(gpx10.find("<name>TR22</name>") != std::string::npos);
  QVERIFY(gpx10.ends_with("</gpx>\r\n\r\n"));
  QCOMPARE(trelka::testing::XmlProblem(gpx10), std::string());
  QCOMPARE(ReadFileBytes(Path("gpx10-again.gpx")), gpx10);
  QCOMPARE(ReadFileBytes(Path("gpx11.gpx")), form_->ResultDocument.Text() + "\r\n");

  // A new run replaces both shapes.
  Convert(empty_);
  Save(QPath("empty10.gpx"), 1);
  const std::string empty10 = ReadFileBytes(Path("empty10.gpx"));
  QVERIFY(empty10.find("<name>empty</name>") != std::string::npos);
  QVERIFY(empty10.find("<wpt") == std::string::npos);
}

void TForm1Test::dialogsRememberNames() {
  Convert(three_);
  prompts_->CancelNext();
  Click(form_->Button1);
  Convert(empty_);
  Save(QPath("a.gpx"), 1);
  prompts_->CancelNext();
  Click(form_->Button2);
  Save(QPath("b.gpx"));

  const auto& asked = prompts_->requests;
  QCOMPARE(asked.size(), std::size_t{6});
  using Kind = trelka::Prompts::FileKind;
  // The save dialog starts at the waypoint file's folder and name, with ".gpx", and keeps
  // the entry chosen as it keeps the name.
  const std::vector<std::tuple<Kind, QString, int>> expected = {
      {Kind::kOpen, QString(), 0},      {Kind::kOpen, three_, 0},
      {Kind::kOpen, three_, 0},         {Kind::kSave, QPath("empty.gpx"), 0},
      {Kind::kSave, QPath("a.gpx"), 1}, {Kind::kSave, QPath("a.gpx"), 1},
  };
  for (std::size_t i = 0; i < asked.size(); ++i) {
    QCOMPARE(asked[i].kind, std::get<0>(expected[i]));
    QCOMPARE(asked[i].file_name, std::get<1>(expected[i]));
    QCOMPARE(asked[i].filter_index, std::get<2>(expected[i]));
    QCOMPARE(asked[i].filter,
             asked[i].kind == Kind::kOpen ? QStringLiteral("файлы Wpt |*.wpt") : kSaveFilter);
  }
  QCOMPARE(form_->SaveDialog1.FileName(), QPath("b.gpx"));
}

void TForm1Test::failedSaveLeavesEarlierFile_data() {
  QTest::addColumn<QString>("target");
  QTest::addColumn<QString>("message");
  QTest::newRow("a folder that does not exist")
      << "missing folder" << QStringLiteral("Invalid filename.");
  QTest::newRow("a full device") << "/dev/full" << QStringLiteral("I/O error 28.");
  QTest::newRow("a read-only mount") << "read-only" << QStringLiteral("File access denied.");
}

void TForm1Test::failedSaveLeavesEarlierFile() {
  QFETCH(QString, target);
  QFETCH(QString, message);

  constexpr std::string_view kEarlier = "the earlier file";
  std::string path;
  std::string mount_point;
  if (target == "missing folder") {
    path = Path("missing/out.gpx");
  } else if (target == "/dev/full") {
    if (!std::filesystem::exists("/dev/full")) QSKIP("no /dev/full here");
    path = "/dev/full";
  } else {
    std::filesystem::create_directory(Path("source"));
    std::filesystem::create_directory(Path("mounted"));
    dir_->Write("source/kept.gpx", kEarlier);
    mount_point = Path("mounted");
    if (::mount(Path("source").c_str(), mount_point.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      QSKIP("cannot bind-mount here (needs root)");
    }
    if (::mount(nullptr, mount_point.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) !=
        0) {
      ::umount2(mount_point.c_str(), MNT_DETACH);
      QSKIP("cannot make the bind mount read-only here");
    }
    path = mount_point + "/kept.gpx";
  }
  struct Unmount {
    std::string point;
    ~Unmount() {
      if (!point.empty()) ::umount2(point.c_str(), MNT_DETACH);
    }
  } unmount{mount_point};

  Convert(three_);
  Save(QPath("first.gpx"));
  const std::string saved = ReadFileBytes(Path("first.gpx"));
  Save(QString::fromStdString(path));

  QCOMPARE(static_cast<int>(prompts_->errors.size()), 1);
  QCOMPARE(prompts_->errors[0].text, message);
  QCOMPARE(Observe(), Expected(State::kSaved));
  QCOMPARE(ReadFileBytes(Path("first.gpx")), saved);
  if (!mount_point.empty()) {
    QCOMPARE(ReadFileBytes(path), std::string(kEarlier));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(mount_point),
                           std::filesystem::directory_iterator()),
             1);
  }
}

void TForm1Test::inputDuringARun_data() {
  QTest::addColumn<Input>("input");
  QTest::newRow("a file named as if on the command line") << Input::kCommandLine;
  QTest::newRow("a dropped waypoint file") << Input::kDrop;
}

// Files from outside while a run goes on are refused; none of them starts anything once the
// run has ended. (A click on the file button stops the run: stopDuringARun.)
void TForm1Test::inputDuringARun() {
  QFETCH(Input, input);
  held_ = true;
  prompts_->AcceptNext(three_);
  Click(form_->Button1);
  QCOMPARE(form_->Button1->text(), QStringLiteral("Стоп"));
  QCOMPARE(form_->cursor().shape(), Qt::BusyCursor);

  prompts_->AcceptNext(empty_);  // what a second run would be started with
  switch (input) {
    case Input::kCommandLine:
      form_->OpenWaypointFiles({empty_});
      break;
    case Input::kDrop:
      QVERIFY(!Drop(*form_, {empty_}));
      break;
  }
  held_ = false;
  WaitIdle();
  QTest::qWait(100);  // anything left queued would come now

  QCOMPARE(prompts_->requests.size(), std::size_t{1});
  QCOMPARE(prompts_->answers.size(), std::size_t{1});
  prompts_->answers.clear();
  QCOMPARE(Observe(), Expected(State::kConverted));
  QVERIFY(!form_->CheckBox1->isChecked());
  QCOMPARE(server_->RequestLines().size(), std::size_t{3});
  QCOMPARE(form_->cursor().shape(), Qt::ArrowCursor);
}

// Against a server that takes the request and never answers.
void TForm1Test::closeDuringARun() {
  LoopbackServer silent(std::vector<Reply>{{"", Reply::Then::kStall}});
  TForm1 form(*prompts_, silent.Address());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  prompts_->AcceptNext(three_);
  Click(form.Button1);
  QTRY_COMPARE_WITH_TIMEOUT(form.Label1->text(), QStringLiteral("1 из 3"), 10000);
  QTRY_COMPARE_WITH_TIMEOUT(silent.RequestLines().size(), std::size_t{1}, 10000);

  QElapsedTimer closing;
  closing.start();
  QVERIFY(form.close());
  // The run ends within ~100 ms; the bound leaves room for a busy machine.
  QVERIFY2(closing.elapsed() < 1000, qPrintable(QString::number(closing.elapsed())));
  QVERIFY(!form.isVisible());
  QTest::qWait(300);  // anything the run had sent on its way would arrive now

  QVERIFY(prompts_->errors.empty());
  QVERIFY(form.ResultDocument.Empty());
  QVERIFY(!form.Button2->isEnabled());
  QCOMPARE(form.Label1->text(), QStringLiteral("1 из 3"));
  QCOMPARE(silent.RequestLines().size(), std::size_t{1});
}

void TForm1Test::filesFromOutside_data() {
  QTest::addColumn<bool>("dropped");  // else named on the command line
  QTest::addColumn<QStringList>("names");
  QTest::addColumn<bool>("taken");
  QTest::addColumn<State>("to");
  QTest::addColumn<QString>("error");
  QTest::addColumn<QString>("note");
  const QString one_at_a_time =
      QStringLiteral("Файлы преобразуются по одному. Преобразуется первый из них:\n%1/three.wpt");
  // Names on the command line are relative to the working folder, the test's folder.
  QTest::newRow("named on the command line")
      << false << QStringList{"three.wpt"} << true << State::kConverted << QString() << QString();
  QTest::newRow("a missing file on the command line")
      << false << QStringList{"absent.wpt"} << true << State::kStart
      << QStringLiteral("File not found.") << QString();
  QTest::newRow("a folder on the command line")
      << false << QStringList{"."} << true << State::kStart << QStringLiteral("File not found.")
      << QString();
  QTest::newRow("two on the command line") << false << QStringList{"three.wpt", "empty.wpt"} << true
                                           << State::kConverted << QString() << one_at_a_time;
  QTest::newRow("one waypoint file dropped")
      << true << QStringList{"three.wpt"} << true << State::kConverted << QString() << QString();
  QTest::newRow("a missing waypoint file dropped")
      << true << QStringList{"absent.wpt"} << true << State::kStart
      << QStringLiteral("File not found.") << QString();
  QTest::newRow("two files dropped") << true << QStringList{"three.wpt", "empty.wpt"} << true
                                     << State::kConverted << QString() << one_at_a_time;
  QTest::newRow("another kind of file dropped")
      << true << QStringList{"three.gpx"} << false << State::kStart << QString() << QString();
}

// As if the first file had been accepted in the open dialog, which then starts from it; a
// name that is no file is said to be missing, and the others to be left alone.
void TForm1Test::filesFromOutside() {
  QFETCH(bool, dropped);
  QFETCH(QStringList, names);
  QFETCH(bool, taken);
  QFETCH(State, to);
  QFETCH(QString, error);
  QFETCH(QString, note);
  const QString folder = QString::fromStdString(dir_->Path().string());
  if (dropped) {
    QStringList paths;
    for (const QString& name : names) paths << folder + u'/' + name;
    QCOMPARE(Drop(*form_, paths), taken);
  } else {
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder));
    form_->OpenWaypointFiles(names);
    QDir::setCurrent(before);
  }
  WaitIdle();

  QCOMPARE(Observe(), Expected(to));
  QVERIFY(prompts_->requests.empty());
  QCOMPARE(static_cast<int>(prompts_->errors.size()), error.isEmpty() ? 0 : 1);
  if (!error.isEmpty()) QCOMPARE(prompts_->errors[0].text, error);
  QCOMPARE(static_cast<int>(prompts_->informations.size()), note.isEmpty() ? 0 : 1);
  if (!note.isEmpty()) QCOMPARE(prompts_->informations[0].text, note.arg(folder));
  QCOMPARE(form_->OpenDialog1.FileName(),
           taken ? QFileInfo(folder + u'/' + names.front()).absoluteFilePath() : QString());
}

QTEST_MAIN(TForm1Test)
#include "tform1_test.moc"
