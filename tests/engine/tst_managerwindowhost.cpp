#include "TestServices.h"
#include "engine/ManagerWindowHost.h"
#include "engine/StackManager.h"
#include "engine/StackSelection.h"
#include "operations/UndoState.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

class TestManagerWindowHost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutTheManagerNothingHappens();
    void aFileDraggedOutLeavesTheStack();
    void theLastFileDraggedOutEndsTheStack();
    void syncLeavesSpreadStacksAndMissingFoldersAlone();
};

void TestManagerWindowHost::withoutTheManagerNothingHappens()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack a = *t.stack({QStringLiteral("a.txt")});
    auto host = std::make_unique<ManagerWindowHost>(t.manager());
    t.manager().undoState().setIsWorking(true);
    QVERIFY(host->isWorking());
    t.relaunch();

    // The window's own fallbacks: itself alone, no group, nothing selected, nothing working.
    QVERIFY(host->selection().isEmpty());
    QCOMPARE(host->targetsOfWindowCommand(a.id), QList<QUuid>{a.id});
    QVERIFY(!host->toggleSelection(a.id));
    QVERIFY(!host->beginGroupDrag(a.id));
    QVERIFY(!host->endGroupDrag());
    QVERIFY(!host->isWorking());
    host->selectOnly(a.id);
    host->windowMoved(a.id, QPointF(9, 9));
    host->toggle(a.id);
    host->syncWithFolder(a.id);
    host->dissolveFromMenu(a.id);
    host->moveStacksToBin({a.id});
    host->addFiles({t.desktopPath(QStringLiteral("a.txt"))}, a.id);
    t.scheduler.runUntilIdle();
    QVERIFY(t.manager().selection().selected().isEmpty());
    QCOMPARE(t.manager().stackWithID(a.id)->state, StackState::collapsed);
    QVERIFY(t.manager().stackWithID(a.id)->windowOrigin != QPointF(9, 9));
    QVERIFY(t.alerts.shown.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestManagerWindowHost::aFileDraggedOutLeavesTheStack()
{
    TestServices t;
    for (const QString& name :
         {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")})
        t.addDesktopFile(name);
    const DesktopStack stack =
        *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")});
    const QString folder = t.stackFolder(stack);
    ManagerWindowHost host(t.manager());

    // Nothing changed: nothing stored.
    const int updates = t.windows.window(stack.id)->updates;
    host.syncWithFolder(stack.id);
    QCOMPARE(t.windows.window(stack.id)->updates, updates);

    // b.txt is dragged out onto the Desktop, c.txt into the Documents folder.
    QVERIFY(
        QFile::rename(folder + QStringLiteral("/b.txt"), t.desktopPath(QStringLiteral("b.txt"))));
    QVERIFY(QFile::rename(folder + QStringLiteral("/c.txt"),
                          t.home.documents() + QStringLiteral("/c.txt")));
    t.invariant.allowPlace(QStringLiteral("Documents"));
    host.syncWithFolder(stack.id);
    const DesktopStack after = *t.record(stack.id);
    QCOMPARE(after.items.size(), 1);
    QCOMPARE(after.items.first().name, QStringLiteral("a.txt"));
    QCOMPARE(t.windows.window(stack.id)->files, QStringList{folder + QStringLiteral("/a.txt")});
    QCOMPARE(t.relaunch().stackWithID(stack.id)->items.size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestManagerWindowHost::theLastFileDraggedOutEndsTheStack()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.addDesktopFile(QStringLiteral("b.txt"));
    const DesktopStack one = *t.stack({QStringLiteral("a.txt")});
    const DesktopStack two = *t.stack({QStringLiteral("b.txt")});
    ManagerWindowHost host(t.manager());

    QVERIFY(QFile::rename(t.stackFolder(one) + QStringLiteral("/a.txt"),
                          t.desktopPath(QStringLiteral("a.txt"))));
    host.syncWithFolder(one.id);
    QVERIFY(!t.record(one.id));
    QVERIFY(!t.windows.window(one.id));
    QVERIFY(!QFile::exists(t.stackFolder(one)));
    QVERIFY(t.alerts.shown.isEmpty());

    // A file the user put into the folder by hand keeps the folder, and the user hears of it.
    const QString stray = t.invariant.addFile(
        QDir(t.home.home()).relativeFilePath(t.stackFolder(two) + QStringLiteral("/stray.txt")));
    QVERIFY(QFile::rename(t.stackFolder(two) + QStringLiteral("/b.txt"),
                          t.desktopPath(QStringLiteral("b.txt"))));
    host.syncWithFolder(two.id);
    QVERIFY(!t.record(two.id));
    QVERIFY(QFile::exists(stray));
    QCOMPARE(t.alerts.shown.size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestManagerWindowHost::syncLeavesSpreadStacksAndMissingFoldersAlone()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.addDesktopFile(QStringLiteral("b.txt"));
    DesktopStack stack = *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    const QString folder = t.stackFolder(stack);
    ManagerWindowHost host(t.manager());

    // The whole stack folder went away with its files (the storage folder is being moved, or
    // was moved by hand): the record keeps its items.
    const QString away = t.home.documents() + QStringLiteral("/away");
    QVERIFY(QFile::rename(folder, away));
    t.invariant.allowPlace(QStringLiteral("Documents/away"));
    host.syncWithFolder(stack.id);
    QCOMPARE(t.record(stack.id)->items.size(), 2);
    QVERIFY(QFile::rename(away, folder));

    // A spread stack's files are on the Desktop, where they belong.
    host.spread(stack.id, false);
    t.scheduler.runUntilIdle();
    host.syncWithFolder(stack.id);
    QCOMPARE(t.record(stack.id)->items.size(), 2);
    host.syncWithFolder(QUuid::createUuid());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestManagerWindowHost)
#include "tst_managerwindowhost.moc"
