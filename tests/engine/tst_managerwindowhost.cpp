#include "TestServices.h"
#include "engine/ManagerWindowHost.h"
#include "engine/StackManager.h"
#include "operations/UndoState.h"

#include <QFile>
#include <QTest>

#include <memory>

class TestManagerWindowHost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selectionIsPublishedToTheWindows();
    void targetsFollowTheStackOrder();
    void movesAreRecordedAndSaved();
    void withoutTheManagerNothingHappens();
    void aFileDraggedOutLeavesTheStack();
    void syncLeavesSpreadStacksAndMissingFoldersAlone();
};

void TestManagerWindowHost::selectionIsPublishedToTheWindows()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.addDesktopFile(QStringLiteral("b.txt"));
    const DesktopStack a = *t.stack({QStringLiteral("a.txt")});
    const DesktopStack b = *t.stack({QStringLiteral("b.txt")});
    ManagerWindowHost host(t.manager());

    host.setSelection({a.id});
    QVERIFY(t.windows.window(a.id)->isSelected);
    QVERIFY(!t.windows.window(b.id)->isSelected);
    QVERIFY(host.toggleSelection(b.id));
    QCOMPARE(host.selection(), (QSet<QUuid>{a.id, b.id}));
    QVERIFY(t.windows.window(b.id)->isSelected);
    QVERIFY(!host.toggleSelection(a.id));
    QVERIFY(!t.windows.window(a.id)->isSelected);
    QCOMPARE(t.manager().selection(), QSet<QUuid>{b.id});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestManagerWindowHost::targetsFollowTheStackOrder()
{
    TestServices t;
    QList<QUuid> ids;
    for (const QString& name :
         {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")}) {
        t.addDesktopFile(name);
        ids.append(t.stack({name})->id);
    }
    ManagerWindowHost host(t.manager());
    host.setSelection({ids.at(2), ids.at(0)});
    QCOMPARE(host.targetsOfWindowCommand(ids.at(2)), (QList<QUuid>{ids.at(0), ids.at(2)}));
    QCOMPARE(host.targetsOfWindowCommand(ids.at(1)), QList<QUuid>{ids.at(1)});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestManagerWindowHost::movesAreRecordedAndSaved()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack a = *t.stack({QStringLiteral("a.txt")});
    ManagerWindowHost host(t.manager());
    host.windowMoved(a.id, QPointF(512, 128));
    QCOMPARE(t.record(a.id)->windowOrigin, QPointF(512, 128));
    // A move of a window without a record changes nothing.
    host.windowMoved(QUuid::createUuid(), QPointF(1, 1));
    QCOMPARE(t.relaunch().stackWithID(a.id)->windowOrigin, QPointF(512, 128));
    QVERIFY(!host.beginGroupDrag(a.id));
    QVERIFY(!host.endGroupDrag());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

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
    host->setSelection({a.id});
    host->windowMoved(a.id, QPointF(9, 9));
    host->toggle(a.id);
    host->syncWithFolder(a.id);
    host->addFiles({t.desktopPath(QStringLiteral("a.txt"))}, a.id);
    QVERIFY(t.manager().selection().isEmpty());
    QVERIFY(t.manager().stackWithID(a.id)->windowOrigin != QPointF(9, 9));
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
    stack = *t.record(stack.id);
    stack.state = StackState::expanded;
    t.manager().storeStack(stack);
    host.syncWithFolder(stack.id);
    QCOMPARE(t.record(stack.id)->items.size(), 2);
    host.syncWithFolder(QUuid::createUuid());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestManagerWindowHost)
#include "tst_managerwindowhost.moc"
