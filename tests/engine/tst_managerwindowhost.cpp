#include "TestServices.h"
#include "engine/ManagerWindowHost.h"
#include "engine/StackManager.h"
#include "engine/StackSelection.h"
#include "operations/UndoState.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestManagerWindowHost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutTheManagerNothingHappens();
    void filesDraggedOutLeaveTheStack();
    void syncLeavesSpreadStacksAndMissingFoldersAlone();
};

void TestManagerWindowHost::withoutTheManagerNothingHappens()
{
    TestServices t;
    t.addDesktopFile(u"a.txt"_s);
    const DesktopStack a = *t.stack({u"a.txt"_s});
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
    host->addFiles({t.desktopPath(u"a.txt"_s)}, a.id);
    t.scheduler.runUntilIdle();
    QVERIFY(t.manager().selection().selected().isEmpty());
    QCOMPARE(t.manager().stackWithID(a.id)->state, StackState::collapsed);
    QVERIFY(t.manager().stackWithID(a.id)->windowOrigin != QPointF(9, 9));
    QVERIFY(t.alerts.shown.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestManagerWindowHost::filesDraggedOutLeaveTheStack()
{
    TestServices t;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
        t.addDesktopFile(QString::fromLatin1(name));
    const DesktopStack stack = *t.stack({u"a.txt"_s, u"b.txt"_s, u"c.txt"_s});
    const DesktopStack one = *t.stack({u"d.txt"_s});
    const DesktopStack two = *t.stack({u"e.txt"_s});
    const QString folder = t.stackFolder(stack);
    ManagerWindowHost host(t.manager());

    // Nothing changed: nothing stored.
    const int updates = t.windows.window(stack.id)->updates;
    host.syncWithFolder(stack.id);
    QCOMPARE(t.windows.window(stack.id)->updates, updates);

    // b.txt is dragged out onto the Desktop, c.txt into the Documents folder.
    QVERIFY(QFile::rename(folder + u"/b.txt"_s, t.desktopPath(u"b.txt"_s)));
    QVERIFY(QFile::rename(folder + u"/c.txt"_s, t.home.documents() + u"/c.txt"_s));
    t.invariant.allowPlace(u"Documents"_s);
    host.syncWithFolder(stack.id);
    QCOMPARE(TestServices::itemNames(*t.record(stack.id)), QStringList{u"a.txt"_s});
    QCOMPARE(t.windows.window(stack.id)->files, QStringList{folder + u"/a.txt"_s});

    // The last file out ends the stack and its folder.
    QVERIFY(QFile::rename(t.stackFolder(one) + u"/d.txt"_s, t.desktopPath(u"d.txt"_s)));
    host.syncWithFolder(one.id);
    QVERIFY(!t.record(one.id));
    QVERIFY(!t.windows.window(one.id));
    QVERIFY(!QFile::exists(t.stackFolder(one)));
    QVERIFY(t.alerts.shown.isEmpty());

    // A file the user put into the folder by hand keeps the folder, and the user hears of it.
    const QString stray = t.invariant.addFile(
        QDir(t.home.home()).relativeFilePath(t.stackFolder(two) + u"/stray.txt"_s));
    QVERIFY(QFile::rename(t.stackFolder(two) + u"/e.txt"_s, t.desktopPath(u"e.txt"_s)));
    host.syncWithFolder(two.id);
    QVERIFY(!t.record(two.id));
    QVERIFY(QFile::exists(stray));
    QCOMPARE(t.alerts.shown.size(), 1);

    // Saved: the next launch agrees.
    QCOMPARE(t.relaunch().stackWithID(stack.id)->items.size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestManagerWindowHost::syncLeavesSpreadStacksAndMissingFoldersAlone()
{
    TestServices t;
    t.addDesktopFile(u"a.txt"_s);
    t.addDesktopFile(u"b.txt"_s);
    DesktopStack stack = *t.stack({u"a.txt"_s, u"b.txt"_s});
    const QString folder = t.stackFolder(stack);
    ManagerWindowHost host(t.manager());

    // The whole stack folder went away with its files (the storage folder is being moved, or
    // was moved by hand): the record keeps its items.
    const QString away = t.home.documents() + u"/away"_s;
    QVERIFY(QFile::rename(folder, away));
    t.invariant.allowPlace(u"Documents/away"_s);
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
