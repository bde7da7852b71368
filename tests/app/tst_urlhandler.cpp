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
    void stacksTheSelectionOncePerDelivery();
};

void TestUrlHandler::matchesSchemeAndHostExactly_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("matches");
    QTest::newRow("bare") << "tidorama://stack-selection" << true;
    QTest::newRow("path and query")
        << "tidorama://stack-selection/some/path?x=1&y=%20#frag" << true;
    QTest::newRow("capital scheme") << "TIDORAMA://stack-selection" << false;
    QTest::newRow("capital host") << "tidorama://Stack-Selection" << false;
    QTest::newRow("host as path") << "tidorama:stack-selection" << false;
    QTest::newRow("no host") << "tidorama:///stack-selection" << false;
    QTest::newRow("longer host") << "tidorama://stack-selection.example" << false;
    QTest::newRow("other scheme") << "https://stack-selection" << false;
    QTest::newRow("empty") << "" << false;
}

void TestUrlHandler::matchesSchemeAndHostExactly()
{
    QFETCH(QString, url);
    QFETCH(bool, matches);
    QCOMPARE(UrlHandler::isStackSelection(url), matches);
}

void TestUrlHandler::stacksTheSelectionOncePerDelivery()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.png"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.png"), QPointF(200, 100));
    StackManager& manager = t.manager();
    const UrlHandler handler([&manager] { ManagerCommands::stackSelection(manager); },
                             [&manager] { return manager.undoState().isWorking(); });
    const auto selectionReads = [&t] {
        return t.desktop.callsOf(FakeDesktop::Operation::selectedFiles).size();
    };

    // Other URLs do nothing.
    t.desktop.select({t.desktopPath(QStringLiteral("a.png"))});
    handler.open(
        {QStringLiteral("TIDORAMA://stack-selection"), QStringLiteral("tidorama://other")});
    QVERIFY(!manager.undoState().isWorking());
    t.scheduler.runUntilIdle();
    QCOMPARE(selectionReads(), 0);

    // While other work runs a delivery is dropped, not queued.
    manager.runAsWork([](WorkToken) {});
    handler.open({QStringLiteral("tidorama://stack-selection")});
    t.scheduler.runUntilIdle();
    QCOMPARE(selectionReads(), 0);
    QVERIFY(manager.stacks().isEmpty());

    // Two matching URLs after an ignored one in one delivery: the selection is stacked once,
    // and the work is on at once, before the task runs.
    t.desktop.select(
        {t.desktopPath(QStringLiteral("a.png")), t.desktopPath(QStringLiteral("b.png"))});
    handler.open({QStringLiteral("tidorama://other"), QStringLiteral("tidorama://stack-selection"),
                  QStringLiteral("tidorama://stack-selection/again?x=1")});
    QVERIFY(manager.undoState().isWorking());
    t.scheduler.runUntilIdle();
    QCOMPARE(selectionReads(), 1);
    QCOMPARE(manager.stacks().size(), 1);
    QCOMPARE(manager.stacks().first().items.size(), 2);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestUrlHandler)
#include "tst_urlhandler.moc"
