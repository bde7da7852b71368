#include "TestServices.h"
#include "app/ManagerCommands.h"
#include "engine/StackManager.h"

#include <QTest>

// The tray menu's commands reach the manager's own operations.
class TestManagerCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuItemsRunTheOperations();
};

void TestManagerCommands::menuItemsRunTheOperations()
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

QTEST_MAIN(TestManagerCommands)
#include "tst_managercommands.moc"
