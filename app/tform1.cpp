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
#include <utility>

#include "application_title.h"
#include "build_config.h"
#include "gpx_document.h"
#include "handler_boundary.h"
#include "save_document.h"

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

// The save dialog's entries: the GPX 1.1 document, and the GPX 1.0 shape that the geocaching
// apps and handhelds read in full.
constexpr char kSaveFilter[] = "Файлы GPX|*.gpx|Файлы GPX 1.0 (c:geo, навигаторы)|*.gpx";
constexpr int kGpx10Entry = 1;

// What every run composes: GPX 1.1, with the edits to GPX 1.0 beside it, so that saving
// either makes no request.
trelka::RunSettings WindowRunSettings(const std::string& page_service_address,
                                      trelka::ShapeEdits& gpx10_edits) {
  trelka::RunSettings settings{page_service_address, 1};
  settings.cache_page_address = trelka::kCachePageAddress;
  settings.gpx10_edits = &gpx10_edits;
  return settings;
}

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

bool IsExistingFile(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::string LocalPath(const QString& name) { return QFile::encodeName(name).toStdString(); }

// The name of the one local .wpt file that data carries; empty for anything else.
QString DroppedWaypointFile(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  QString name = urls.front().toLocalFile();
  return name.endsWith(QStringLiteral(".wpt"), Qt::CaseInsensitive) ? name : QString();
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
      OpenDialog1(prompts, trelka::Prompts::FileKind::kOpen, QStringLiteral("файлы Wpt |*.wpt")),
      Button1(new QPushButton(QStringLiteral("Файл Wpt"), this)),
      SaveDialog1(prompts, trelka::Prompts::FileKind::kSave, QString::fromUtf8(kSaveFilter)),
      Button2(new QPushButton(QStringLiteral("Save"), this)),
      Label1(new QLabel(this)),
      CheckBox1(new QCheckBox(QStringLiteral("Вставить Описание местности"), this)),
      prompts_(prompts),
      page_service_address_(std::move(page_service_address)),
      application_title_(trelka::ApplicationTitle(QCoreApplication::applicationFilePath())),
      run_(*this, IdHTTP1, WindowRunSettings(page_service_address_, ResultGpx10Edits),
           ResultDocument, [this](std::future<void> outcome) { RunEnded(std::move(outcome)); }) {
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

  Button2->setEnabled(false);
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

void TForm1::DisableCheckBox() { CheckBox1->setEnabled(false); }

void TForm1::DisableSaveButton() { Button2->setEnabled(false); }

void TForm1::ShowProgress(int index, int total) {
  Label1->setText(QString::fromStdString(trelka::ProgressText(index, total)));
  Label1->repaint();
  repaint();
}

bool TForm1::ReadCheckBox() { return CheckBox1->isChecked(); }

void TForm1::EnableSaveButton() { Button2->setEnabled(true); }

void TForm1::Button1Click(QObject* /*Sender*/) {
  trelka::RunHandler(prompts_, this, application_title_, [this] {
    if (!OpenDialog1.Execute(this)) return;
    StartRun();
  });
}

void TForm1::Button2Click(QObject* /*Sender*/) {
  trelka::RunHandler(prompts_, this, application_title_, [this] {
    if (!SaveDialog1.Execute(this)) return;
    const std::string path = LocalPath(SaveDialog1.FileName());
    if (SaveDialog1.FilterIndex() == kGpx10Entry) {
      trelka::SaveDocument(ResultDocument, ResultGpx10Edits, path);
    } else {
      trelka::SaveDocument(ResultDocument, path);
    }
    CheckBox1->setEnabled(true);
  });
}

void TForm1::CheckBox1Click(QObject* /*Sender*/) {
  trelka::RunHandler(prompts_, this, application_title_, [this] { Button2->setEnabled(false); });
}

void TForm1::OpenWaypointFile(const QString& name) {
  trelka::RunHandler(prompts_, this, application_title_, [this, &name] {
    OpenDialog1.SetFileName(QFileInfo(name).absoluteFilePath());
    StartRun();
  });
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (run_.Running()) {
    run_.Cancel();
    BecomeIdle();
  }
  QWidget::closeEvent(event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!run_.Running() && !DroppedWaypointFile(*event->mimeData()).isEmpty()) AcceptCopy(*event);
}

void TForm1::dropEvent(QDropEvent* event) {
  const QString name = DroppedWaypointFile(*event->mimeData());
  if (run_.Running() || name.isEmpty() || !AcceptCopy(*event)) return;
  OpenWaypointFile(name);
}

void TForm1::StartRun() {
  const std::string path = LocalPath(OpenDialog1.FileName());
  if (run_.Running() || !IsExistingFile(path)) return;
  run_.Start(path);
  // Disabled at once, ahead of the run's own operations: from here on no input may start
  // anything, and no save may read ResultDocument while the run writes it.
  CheckBox1->setEnabled(false);
  Button2->setEnabled(false);
  Button1->setEnabled(false);
  setCursor(Qt::BusyCursor);
}

void TForm1::RunEnded(std::future<void> outcome) {
  BecomeIdle();
  trelka::RunHandler(prompts_, this, application_title_, [&outcome] { outcome.get(); });
}

void TForm1::BecomeIdle() {
  unsetCursor();
  Button1->setEnabled(true);
  // Without a result to save, a disabled check box would guard nothing.
  if (!Button2->isEnabled()) CheckBox1->setEnabled(true);
  // Disabling the focused button left the focus nowhere; keys should work again.
  if (focusWidget() == nullptr) Button1->setFocus();
}
