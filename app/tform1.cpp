#include "tform1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QMimeData>
#include <QStyle>
#include <QStyleOptionButton>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "application_title.h"
#include "document/gpx_document.h"
#include "document/save_document.h"
#include "handler_boundary.h"
#include "platform/failure.h"

TForm1* Form1 = nullptr;

namespace {

// The layout is in pixels at 96 dpi. Qt scales device-independent pixels and point sizes by
// the screen's density, so on other screens everything grows in proportion.
constexpr int kClientWidth = 191;
constexpr int kClientHeight = 132;
constexpr QPoint kPosition(192, 114);

constexpr char kFontFamily[] = "MS Sans Serif";
constexpr qreal kFontPoints = 8;
constexpr qreal kLabelFontPoints = 16;
// Where the requested font is missing, the fallback is made smaller until the texts fit;
// below this a smaller font would not help anyone read them.
constexpr qreal kSmallestPoints = 5;
constexpr qreal kPointStep = 0.25;
// The widest progress text the label is sized for: a file of up to a million waypoints less one.
constexpr char kWidestProgress[] = "999999 из 999999";

QRect TextArea(const QAbstractButton& control) {
  QStyleOptionButton option;
  option.initFrom(&control);
  option.text = control.text();
  // Some styles keep room around an auto-default button for its default frame.
  const auto* push_button = qobject_cast<const QPushButton*>(&control);
  if (push_button != nullptr && push_button->autoDefault()) {
    option.features |= QStyleOptionButton::AutoDefaultButton;
  }
  const bool check_box = qobject_cast<const QCheckBox*>(&control) != nullptr;
  return control.style()->subElementRect(
      check_box ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option, &control);
}

bool Fits(const QFontMetrics& metrics, const QString& text, const QRect& area) {
  return metrics.horizontalAdvance(text) <= area.width() && metrics.height() <= area.height();
}

// The largest size, from the requested one down, at which every control's text fits whole.
QFont FittingFont(QFont font, const std::function<bool(const QFont&)>& fits) {
  while (!fits(font) && font.pointSizeF() - kPointStep >= kSmallestPoints) {
    font.setPointSizeF(font.pointSizeF() - kPointStep);
  }
  return font;
}

// The window's names are UTF-8; the file system's may be in another encoding.
std::string LocalPath(const std::string& name) {
  return QFile::encodeName(QString::fromStdString(name)).toStdString();
}

bool IsExistingFile(const std::string& name) {
  std::error_code error;
  const auto status = std::filesystem::status(LocalPath(name), error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The names of the local files that data carries when the first is a .wpt file; else none.
QStringList DroppedWaypointFiles(const QMimeData& data) {
  QStringList names;
  for (const QUrl& url : data.urls()) {
    if (!url.isLocalFile()) return {};
    names << url.toLocalFile();
  }
  if (names.isEmpty() || !names.front().endsWith(QStringLiteral(".wpt"), Qt::CaseInsensitive)) {
    return {};
  }
  return names;
}

// Takes a drop as a copy: accepting a proposed move would have the source delete the file.
bool AcceptCopy(QDropEvent& event) {
  if (!(event.possibleActions() & Qt::CopyAction)) return false;
  event.setDropAction(Qt::CopyAction);
  event.accept();
  return true;
}

}  // namespace

TForm1::TForm1(trelka::Prompts& prompts, std::string page_service_address, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      logic_(IsExistingFile),
      OpenDialog1(prompts, trelka::Prompts::FileKind::kOpen, {&trelka::kWaypointFilter, 1},
                  logic_.OpenDialogName()),
      Button1(new QPushButton(QStringLiteral("Файл Wpt"), this)),
      SaveDialog1(prompts, trelka::Prompts::FileKind::kSave, trelka::kSaveFilters,
                  logic_.SaveDialogName()),
      Button2(new QPushButton(QStringLiteral("Save"), this)),
      Label1(new QLabel(this)),
      CheckBox1(new QCheckBox(QStringLiteral("Вставить Описание местности"), this)),
      prompts_(prompts),
      application_title_(QString::fromStdString(
          trelka::ApplicationTitle(QCoreApplication::applicationFilePath().toStdString()))),
      kept_pages_(IdHTTP1, kKeptPageBytes),
      run_(
          *this, kept_pages_, std::move(page_service_address), ResultDocument, ResultGpx10Edits,
          [this](std::future<void> outcome) { RunEnded(std::move(outcome)); },
          // Calls still queued when the window goes are dropped with it.
          [this](std::function<void()> operation) {
            QMetaObject::invokeMethod(this, std::move(operation), Qt::QueuedConnection);
          }) {
  setObjectName(QStringLiteral("Form1"));
  Button1->setObjectName(QStringLiteral("Button1"));
  Button2->setObjectName(QStringLiteral("Button2"));
  Label1->setObjectName(QStringLiteral("Label1"));
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));

  setWindowTitle(QStringLiteral("Trelka"));
  setWindowIcon(QIcon(QStringLiteral(":/trelka.png")));
  setFixedSize(kClientWidth, kClientHeight);
  move(kPosition);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  setAcceptDrops(true);

  CheckBox1->setGeometry(8, 8, 177, 17);
  Button1->setGeometry(8, 32, 177, 25);
  Button2->setGeometry(8, 64, 177, 25);
  Label1->setGeometry(8, 96, 177, 25);

  Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label1->setWordWrap(false);
  Label1->setFocusPolicy(Qt::NoFocus);
  Label1->setBackgroundRole(QPalette::Button);
  Label1->setAutoFillBackground(true);

  QFont requested(QString::fromLatin1(kFontFamily));
  requested.setStyleHint(QFont::SansSerif);
  requested.setPointSizeF(kFontPoints);
  setFont(FittingFont(requested, [this](const QFont& font) {
    const QFontMetrics metrics(font);
    for (const QAbstractButton* control :
         {static_cast<QAbstractButton*>(CheckBox1), static_cast<QAbstractButton*>(Button1),
          static_cast<QAbstractButton*>(Button2)}) {
      if (!Fits(metrics, control->text(), TextArea(*control))) return false;
    }
    return true;
  }));
  QFont label_font = requested;
  label_font.setBold(true);
  label_font.setPointSizeF(kLabelFontPoints);
  Label1->setFont(FittingFont(label_font, [this](const QFont& font) {
    return Fits(QFontMetrics(font), QString::fromUtf8(kWidestProgress), Label1->contentsRect());
  }));

  ShowControls();
  // Return and Enter press the focused button, as Space does.
  Button1->setAutoDefault(true);
  Button2->setAutoDefault(true);
  QWidget::setTabOrder(Button1, Button2);
  QWidget::setTabOrder(Button2, CheckBox1);
  Button1->setFocus();

  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(Button2); });
  // clicked, not toggled: only the user's toggles count.
  connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(CheckBox1); });
}

void TForm1::ShowProgress(int index, int total) {
  logic_.Progress(index, total);
  Label1->setText(QString::fromStdString(logic_.Label()));
  Label1->repaint();
  repaint();
}

trelka::AfterFailedPage TForm1::AskAfterFailedPage(const trelka::WaypointRecord& waypoint,
                                                   trelka::RunPosition position,
                                                   const std::exception_ptr& failure) {
  const std::string text =
      logic_.PageFailed(waypoint.id, position, trelka::FailureMessageOf(failure));
  const trelka::AfterFailedPage answer =
      prompts_.AskAfterFailedPage(this, application_title_, QString::fromStdString(text));
  logic_.FailedPageAnswered(answer);
  return answer;
}

void TForm1::PageWithoutName(const trelka::WaypointRecord& waypoint, trelka::RunPosition position) {
  logic_.PageWithoutName(waypoint.id, position);
}

void TForm1::Button1Click(QObject* /*Sender*/) {
  trelka::RunHandler(prompts_, this, application_title_, [this] {
    if (logic_.FileButton() == trelka::WindowLogic::FileButtonAction::kStopRun) {
      StopRun();
      return;
    }
    const auto answer = OpenDialog1.Execute(this);
    if (!answer) return;
    StartRun(logic_.OpenAccepted(answer->name.toStdString()));
  });
}

void TForm1::Button2Click(QObject* /*Sender*/) {
  trelka::RunHandler(prompts_, this, application_title_, [this] {
    const auto answer = SaveDialog1.Execute(this, logic_.SaveDialogEntry());
    if (!answer) return;
    logic_.SaveAccepted(answer->name.toStdString(), answer->filter_index);
    trelka::SaveDocument(ResultDocument, ResultGpx10Edits, logic_.SaveShape(),
                         LocalPath(logic_.SaveDialogName()));
    logic_.Saved();
    ShowControls();
  });
}

void TForm1::CheckBox1Click(QObject* /*Sender*/) {
  trelka::RunHandler(prompts_, this, application_title_, [this] {
    logic_.CheckBoxToggled(CheckBox1->isChecked());
    ShowControls();
  });
}

void TForm1::OpenWaypointFiles(const QStringList& names) {
  trelka::RunHandler(prompts_, this, application_title_, [this, &names] {
    std::vector<std::string> absolute;
    for (const QString& name : names)
      absolute.push_back(QFileInfo(name).absoluteFilePath().toStdString());
    const trelka::WindowLogic::OutsideFiles outcome = logic_.FilesFromOutside(absolute);
    if (!outcome.failure.empty()) {
      prompts_.ShowError(this, application_title_, QString::fromStdString(outcome.failure));
      return;
    }
    StartRun(outcome.run);
    if (!outcome.note.empty()) {
      prompts_.ShowInformation(this, application_title_, QString::fromStdString(outcome.note));
    }
  });
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (run_.Running()) StopRun();
  QWidget::closeEvent(event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!run_.Running() && !DroppedWaypointFiles(*event->mimeData()).isEmpty()) AcceptCopy(*event);
}

void TForm1::dropEvent(QDropEvent* event) {
  const QStringList names = DroppedWaypointFiles(*event->mimeData());
  if (run_.Running() || names.isEmpty() || !AcceptCopy(*event)) return;
  // Taken after the drop has ended: a box shown inside it would hold the program it came from.
  QMetaObject::invokeMethod(
      this, [this, names] { OpenWaypointFiles(names); }, Qt::QueuedConnection);
}

void TForm1::StartRun(const std::optional<trelka::WindowLogic::RunRequest>& request) {
  if (!request) return;
  try {
    run_.Start(LocalPath(request->path), request->include_terrain);
  } catch (...) {
    logic_.RunFailed();
    ShowControls();
    throw;
  }
  // From here on no input may start anything, and no save may read ResultDocument while the
  // run writes it.
  ShowControls();
}

void TForm1::StopRun() {
  run_.Cancel();
  logic_.RunStopped();
  ShowControls();
}

void TForm1::RunEnded(std::future<void> outcome) {
  trelka::RunHandler(prompts_, this, application_title_, [this, &outcome] {
    try {
      outcome.get();
    } catch (...) {
      logic_.RunFailed();
      ShowControls();
      throw;
    }
    const trelka::WindowLogic::RunEnd end = logic_.RunSucceeded();
    ShowControls();
    if (end.focus_save_button) Button2->setFocus();
    if (!end.missing_list.empty()) {
      prompts_.ShowInformation(this, application_title_, QString::fromStdString(end.missing_list));
    }
  });
}

void TForm1::ShowControls() {
  const trelka::WindowLogic::Controls controls = logic_.CurrentControls();
  CheckBox1->setEnabled(controls.check_box_enabled);
  Button1->setText(Text(controls.file_button_text));
  Button2->setEnabled(controls.save_button_enabled);
  if (controls.busy) {
    setCursor(Qt::BusyCursor);
  } else {
    unsetCursor();
  }
  // Disabling the focused control left the focus nowhere; keys should work again.
  if (focusWidget() == nullptr) Button1->setFocus();
}
