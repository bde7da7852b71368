#include "TestServices.h"
#include "app/ManagerCommands.h"
#include "app/UrlHandler.h"
#include "engine/StackManager.h"
#include "operations/UndoState.h"

#include <QTest>

// tidorama://stack-selection through the handler the application wires: the real manager on
// a temporary home, the fake desktop's selection, virtual time.
class TestUrlHandler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matchesSchemeAndHostExactly_data();
    void matchesSchemeAndHostExactly();
    void stacksTheSelectionOnce();
    void ignoresOtherUrls();
    void dropsUrlsWhileWorking();

private:
    static UrlHandler handlerFor(StackManager& manager);
};

UrlHandler TestUrlHandler::handlerFor(StackManager& manager)
{
    return UrlHandler([&manager] { ManagerCommands::stackSelection(manager); },
                      [&manager] { return manager.undoState().isWorking(); });
}

void TestUrlHandler::matchesSchemeAndHostExactly_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("matches");
    QTest::newRow("bare") << "tidorama://stack-selection" << true;
    QTest::newRow("slash") << "tidorama://stack-selection/" << true;
    QTest::newRow("path and query")
        << "tidorama://stack-selection/some/path?x=1&y=%20#frag" << true;
    QTest::newRow("query only") << "tidorama://stack-selection?files=3" << true;
    QTest::newRow("user and port") << "tidorama://me@stack-selection:8080/x" << true;
    QTest::newRow("capital scheme") << "TIDORAMA://stack-selection" << false;
    QTest::newRow("mixed scheme") << "Tidorama://stack-selection" << false;
    QTest::newRow("capital host") << "tidorama://Stack-Selection" << false;
    QTest::newRow("other host") << "tidorama://stack-all" << false;
    QTest::newRow("host as path") << "tidorama:stack-selection" << false;
    QTest::newRow("no host") << "tidorama:///stack-selection" << false;
    QTest::newRow("longer host") << "tidorama://stack-selection.example" << false;
    QTest::newRow("other scheme") << "https://stack-selection" << false;
    QTest::newRow("no scheme") << "//stack-selection" << false;
    QTest::newRow("plain word") << "stack-selection" << false;
    QTest::newRow("empty") << "" << false;
}

void TestUrlHandler::matchesSchemeAndHostExactly()
{
    QFETCH(QString, url);
    QFETCH(bool, matches);
    QCOMPARE(UrlHandler::isStackSelection(url), matches);
}

void TestUrlHandler::stacksTheSelectionOnce()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.png"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.png"), QPointF(200, 100));
    t.desktop.select(
        {t.desktopPath(QStringLiteral("a.png")), t.desktopPath(QStringLiteral("b.png"))});
    const UrlHandler handler = handlerFor(t.manager());

    // Two matching URLs in one delivery, one with a path and a query.
    handler.open({QStringLiteral("tidorama://stack-selection"),
                  QStringLiteral("tidorama://stack-selection/again?x=1")});
    // The work is on at once, before the task runs.
    QVERIFY(t.manager().undoState().isWorking());
    t.scheduler.runUntilIdle();

    QCOMPARE(t.desktop.callsOf(FakeDesktop::Operation::selectedFiles).size(), 1);
    QCOMPARE(t.manager().stacks().size(), 1);
    QCOMPARE(t.manager().stacks().first().items.size(), 2);
    QVERIFY(!t.manager().undoState().isWorking());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestUrlHandler::ignoresOtherUrls()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.png"), QPointF(100, 100));
    t.desktop.select({t.desktopPath(QStringLiteral("a.png"))});
    const UrlHandler handler = handlerFor(t.manager());

    handler.open({QStringLiteral("TIDORAMA://stack-selection"), QStringLiteral("tidorama://other"),
                  QStringLiteral("not a url")});
    QVERIFY(!t.manager().undoState().isWorking());
    t.scheduler.runUntilIdle();
    QVERIFY(t.desktop.callsOf(FakeDesktop::Operation::selectedFiles).isEmpty());
    QVERIFY(t.manager().stacks().isEmpty());

    // A match after ignored ones in the same delivery still counts.
    handler.open(
        {QStringLiteral("tidorama://other"), QStringLiteral("tidorama://stack-selection")});
    t.scheduler.runUntilIdle();
    QCOMPARE(t.manager().stacks().size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestUrlHandler::dropsUrlsWhileWorking()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.png"), QPointF(100, 100));
    t.desktop.select({t.desktopPath(QStringLiteral("a.png"))});
    const UrlHandler handler = handlerFor(t.manager());

    // Other work runs (the working animation is on).
    t.manager().runAsWork([](WorkToken) {});
    QVERIFY(t.manager().undoState().isWorking());
    handler.open({QStringLiteral("tidorama://stack-selection")});
    t.scheduler.runUntilIdle();
    QVERIFY(t.desktop.callsOf(FakeDesktop::Operation::selectedFiles).isEmpty());
    QVERIFY(t.manager().stacks().isEmpty());

    // Not queued: once the work is over, only a new delivery stacks.
    handler.open({QStringLiteral("tidorama://stack-selection")});
    t.scheduler.runUntilIdle();
    QCOMPARE(t.manager().stacks().size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestUrlHandler)
#include "tst_urlhandler.moc"
