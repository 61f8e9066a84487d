// What the handler boundary shows for each kind of failure that ends a handler.

#include "handler_boundary.h"

#include <QTest>
#include <functional>
#include <new>
#include <stdexcept>

#include "platform/failure.h"
#include "scripted_prompts.h"
#include "test_support.h"

using Raise = std::function<void()>;
Q_DECLARE_METATYPE(Raise)

class HandlerBoundaryTest final : public QObject {
  Q_OBJECT

 private slots:
  void shown_data() {
    QTest::addColumn<Raise>("raise");
    QTest::addColumn<QString>("text");
    const auto failure = [](std::string message) {
      return Raise([message] { throw trelka::Failure(message); });
    };
    QTest::newRow("a full stop is added") << failure("File not found") << "File not found.";
    QTest::newRow("a full stop stays single") << failure("Done.") << "Done.";
    QTest::newRow("'!' ends it unchanged") << failure("Stop!") << "Stop!";
    QTest::newRow("')' ends it unchanged") << failure("error (10061)") << "error (10061)";
    QTest::newRow("a blank ends it unchanged") << failure("trailing ") << "trailing ";
    QTest::newRow("a digit gets one") << failure("I/O error 28") << "I/O error 28.";
    QTest::newRow("windows-1251 shown as Unicode")
        << failure(trelka::testing::W("Нет страницы")) << QStringLiteral("Нет страницы.");
    QTest::newRow("empty message, empty box") << failure("") << "";
    QTest::newRow("a file failure")
        << Raise([] { throw trelka::FileFailure("File access denied"); }) << "File access denied.";
    QTest::newRow("memory exhaustion") << Raise([] { throw std::bad_alloc(); }) << "Out of memory.";
    QTest::newRow("any other exception")
        << Raise([] { throw std::runtime_error("vector too long"); }) << "vector too long.";
  }
  void shown() {
    QFETCH(Raise, raise);
    QFETCH(QString, text);
    trelka::testing::ScriptedPrompts prompts;
    trelka::RunHandler(prompts, nullptr, "trelka", raise);
    QCOMPARE(prompts.errors.size(), std::size_t{1});
    QCOMPARE(prompts.errors[0].text, text);
    QCOMPARE(prompts.errors[0].title, QStringLiteral("trelka"));
  }

  void nothingShownWithoutAFailure() {
    trelka::testing::ScriptedPrompts prompts;
    bool ran = false;
    trelka::RunHandler(prompts, nullptr, "trelka", [&] { ran = true; });
    QVERIFY(ran);
    QVERIFY(prompts.errors.empty());
  }
};

QTEST_APPLESS_MAIN(HandlerBoundaryTest)
#include "handler_boundary_test.moc"
