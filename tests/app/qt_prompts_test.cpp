// The production dialogs and boxes are built with the settings the window relies on, and
// speak Russian once Qt's translations are installed.

#include "qt_prompts.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <utility>

#include "qt_translation.h"

using trelka::Prompts;
using trelka::QtPrompts;

Q_DECLARE_METATYPE(Prompts::FileKind)

class QtPromptsTest final : public QObject {
  Q_OBJECT

 private slots:
  void fileDialog_data() {
    QTest::addColumn<Prompts::FileKind>("kind");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("name_filter");
    QTest::addColumn<QFileDialog::AcceptMode>("mode");
    QTest::newRow("open: description with its trailing blank")
        << Prompts::FileKind::kOpen << QStringLiteral("файлы Wpt |*.wpt")
        << QStringLiteral("файлы Wpt (*.wpt)") << QFileDialog::AcceptOpen;
    QTest::newRow("save") << Prompts::FileKind::kSave << QStringLiteral("Файлы GPX|*.gpx")
                          << QStringLiteral("Файлы GPX (*.gpx)") << QFileDialog::AcceptSave;
  }
  void fileDialog() {
    QFETCH(Prompts::FileKind, kind);
    QFETCH(QString, filter);
    QFETCH(QString, name_filter);
    QFETCH(QFileDialog::AcceptMode, mode);
    const QString earlier = QDir::temp().filePath(QStringLiteral("earlier-name.x"));
    const auto dialog = QtPrompts::MakeFileDialog(nullptr, {kind, filter, earlier});
    QCOMPARE(dialog->acceptMode(), mode);
    QCOMPARE(dialog->nameFilters(), QStringList{name_filter});
    QCOMPARE(dialog->defaultSuffix(), QString());
    QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);  // no existence requirement
    QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    QVERIFY(!dialog->testOption(QFileDialog::ReadOnly));
    QVERIFY(dialog->isSizeGripEnabled());
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    QCOMPARE(dialog->selectedFiles().value(0), earlier);
    // A name with its folder opens the dialog in that folder.
    QCOMPARE(dialog->directory().absolutePath(), QDir::temp().absolutePath());
  }

  // The entry the request names is shown chosen, and the dialog's report of it (without its
  // patterns, which the dialog hides) reads back as its index.
  void fileDialogChoosesTheRequestedEntry() {
    const QString filter =
        QStringLiteral("Файлы GPX|*.gpx|Файлы GPX 1.0 (c:geo, навигаторы)|*.gpx");
    const QStringList entries = QtPrompts::NameFilters(filter);
    for (const auto& [asked, shown] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{5, 0}}) {
      const auto dialog =
          QtPrompts::MakeFileDialog(nullptr, {Prompts::FileKind::kSave, filter, {}, asked});
      QCOMPARE(QtPrompts::EntryIndex(entries, dialog->selectedNameFilter()), shown);
    }
    QCOMPARE(QtPrompts::EntryIndex(entries, entries.at(1)), 1);
    QCOMPARE(QtPrompts::EntryIndex(entries, QStringLiteral("Файлы")), 0);
  }

  void nameFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("filters");
    QTest::newRow("two entries") << "Wpt|*.wpt|All|*.*" << QStringList{"Wpt (*.wpt)", "All (*.*)"};
    QTest::newRow("several patterns") << "Maps|*.wpt;*.gpx" << QStringList{"Maps (*.wpt *.gpx)"};
    QTest::newRow("a lone description is no entry") << "Wpt" << QStringList{};
    QTest::newRow("parentheses in a description")
        << "GPX|*.gpx|GPX 1.0 (c:geo)|*.gpx"
        << QStringList{"GPX (*.gpx)", "GPX 1.0 (c:geo) (*.gpx)"};
  }
  void nameFilters() {
    QFETCH(QString, filter);
    QFETCH(QStringList, filters);
    QCOMPARE(QtPrompts::NameFilters(filter), filters);
  }

  void errorBox() {
    const auto box = QtPrompts::MakeErrorBox(nullptr, "trelka", "<b>404</b> Not Found.");
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->standardButtons(), QMessageBox::Ok);
    QCOMPARE(box->windowTitle(), QStringLiteral("trelka"));
    QCOMPARE(box->text(), QStringLiteral("<b>404</b> Not Found."));
    QCOMPARE(box->textFormat(), Qt::PlainText);  // what a server sent is not markup
    QCOMPARE(box->windowModality(), Qt::ApplicationModal);
  }

  void informationBox() {
    const auto box = QtPrompts::MakeInformationBox(nullptr, "trelka", "<i>1</i>");
    QCOMPARE(box->icon(), QMessageBox::Information);
    QCOMPARE(box->standardButtons(), QMessageBox::Ok);
    QCOMPARE(box->windowTitle(), QStringLiteral("trelka"));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->windowModality(), Qt::ApplicationModal);
  }

  // Return skips, Escape and closing the box end the run.
  void failedPageBox() {
    const auto box = QtPrompts::MakeFailedPageBox(nullptr, "trelka", "404 Not Found.\nТайник 1");
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->windowModality(), Qt::ApplicationModal);
    QStringList texts;
    for (const QAbstractButton* button : box->buttons()) texts << button->text();
    texts.sort();
    QCOMPARE(texts, (QStringList{"Повторить", "Прервать", "Пропустить"}));
    const auto answer = [](const QAbstractButton* button) {
      return static_cast<trelka::AfterFailedPage>(
          button->property(QtPrompts::kAnswerProperty).toInt());
    };
    QCOMPARE(box->defaultButton()->text(), QStringLiteral("Пропустить"));
    QCOMPARE(answer(box->defaultButton()), trelka::AfterFailedPage::kSkip);
    QCOMPARE(box->escapeButton()->text(), QStringLiteral("Прервать"));
    QCOMPARE(answer(box->escapeButton()), trelka::AfterFailedPage::kEndRun);
  }

  void failedPageAnswer_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("answer");
    QTest::newRow("Return") << "Return" << static_cast<int>(trelka::AfterFailedPage::kSkip);
    QTest::newRow("Escape") << "Escape" << static_cast<int>(trelka::AfterFailedPage::kEndRun);
    QTest::newRow("closing the box")
        << "close" << static_cast<int>(trelka::AfterFailedPage::kEndRun);
    QTest::newRow("a click on Повторить")
        << "Повторить" << static_cast<int>(trelka::AfterFailedPage::kRetry);
  }
  // The real box, answered while it is shown.
  void failedPageAnswer() {
    QFETCH(QString, action);
    QFETCH(int, answer);
    QTimer::singleShot(0, [action] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box != nullptr);
      if (action == "Return") {
        QTest::keyClick(box, Qt::Key_Return);
      } else if (action == "Escape") {
        QTest::keyClick(box, Qt::Key_Escape);
      } else if (action == "close") {
        box->close();
      } else {
        for (QAbstractButton* button : box->buttons()) {
          if (button->text() == action) button->click();
        }
      }
    });
    QtPrompts prompts;
    QCOMPARE(static_cast<int>(prompts.AskAfterFailedPage(nullptr, "trelka", "404 Not Found.")),
             answer);
  }

  // Debian's qt6-translations-l10n, one of the run packages.
  void russianQtTexts() {
    QVERIFY(trelka::InstallRussianQtTexts(*QCoreApplication::instance()));
    const auto dialog =
        QtPrompts::MakeFileDialog(nullptr, {Prompts::FileKind::kOpen, "W|*.wpt", {}});
    const auto* buttons = dialog->findChild<QDialogButtonBox*>();
    QVERIFY(buttons != nullptr);
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
  }
};

QTEST_MAIN(QtPromptsTest)
#include "qt_prompts_test.moc"
