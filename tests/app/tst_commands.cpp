#include "TestServices.h"
#include "app/ManagerCommands.h"
#include "app/UrlHandler.h"
#include "engine/StackManager.h"
#include "operations/UndoState.h"

#include <QTest>

// The tray menu's commands and tidorama://stack-selection reach the real manager on a temporary
// home, with the fake desktop's selection and virtual time.
class TestCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matchesSchemeAndHostExactly_data();
    void matchesSchemeAndHostExactly();
    void stacksTheSelectionOncePerDelivery();
    void menuItemsRunTheOperations();
};

void TestCommands::matchesSchemeAndHostExactly_data()
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

void TestCommands::matchesSchemeAndHostExactly()
{
    QFETCH(QString, url);
    QFETCH(bool, matches);
    QCOMPARE(UrlHandler::isStackSelection(url), matches);
}

void TestCommands::stacksTheSelectionOncePerDelivery()
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

void TestCommands::menuItemsRunTheOperations()
{
    TestServices t;
    for (const char* name : {"a.pdf", "b.pdf", "x.png", "y.png", "notes.txt"})
        t.addDesktopFile(QString::fromUtf8(name));
    int quits = 0;
    int rightClickMenus = 0;
    ManagerCommands commands(
        t.manager(), t.alerts, [] {}, [&] { ++rightClickMenus; }, [&] { ++quits; });

    commands.autoStackByType();
    // Chosen again while the first is still at work: dropped, not run twice.
    commands.autoStackByType();
    t.scheduler.runUntilIdle();
    QStringList names;
    for (const DesktopStack& stack : t.manager().stacks())
        names.append(stack.name);
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("Images"), QStringLiteral("PDFs")}));
    QVERIFY(t.alerts.shown.isEmpty());

    commands.spreadAllStacks();
    t.scheduler.runUntilIdle();
    for (const DesktopStack& stack : t.manager().stacks())
        QCOMPARE(stack.state, StackState::expanded);
    commands.stackAllAgain();
    t.scheduler.runUntilIdle();
    for (const DesktopStack& stack : t.manager().stacks())
        QCOMPARE(stack.state, StackState::collapsed);
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("notes.txt"))));

    commands.fileManagerMenu();
    QCOMPARE(rightClickMenus, 1);
    QVERIFY(t.alerts.shown.isEmpty());
    commands.quit();
    QCOMPARE(quits, 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
