#include "TestServices.h"
#include "engine/ManagerWindowHost.h"
#include "engine/StackManager.h"
#include "engine/StackSelection.h"
#include "operations/StackRemoval.h"
#include "operations/UndoState.h"
#include "platform/TidoraError.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Stacks with one file each, their windows at the given origins (screen coordinates).
QList<QUuid> stacksAt(TestServices& t, const QList<QPointF>& origins)
{
    QList<QUuid> ids;
    for (qsizetype i = 0; i < origins.size(); ++i) {
        const QString name = u"file %1.txt"_s.arg(i);
        t.addDesktopFile(name);
        const QUuid id = t.stack({name})->id;
        t.windows.window(id)->drag(origins.at(i));
        t.manager().selection().windowMoved(id, origins.at(i));
        ids.append(id);
    }
    return ids;
}

// The user drags the leader's window to `origin`; the windows carried along report their moves
// as real windows do.
void dragTo(TestServices& t, const QUuid& leader, QPointF origin)
{
    StackManager& manager = t.manager();
    t.windows.window(leader)->drag(origin);
    manager.selection().windowMoved(leader, origin);
    if (!manager.selection().drag())
        return;
    for (auto it = manager.selection().drag()->start.cbegin();
         it != manager.selection().drag()->start.cend(); ++it) {
        if (FakeStackWindow* window = t.windows.window(it.key()))
            manager.selection().windowMoved(it.key(), window->frameOrigin());
    }
}

// The stacks whose windows show them selected; nothing when a window disagrees with the
// selection.
std::optional<QList<QUuid>> selected(TestServices& t, const QList<QUuid>& ids)
{
    QList<QUuid> shown;
    for (const QUuid& id : ids) {
        if (t.windows.window(id)->isSelected != t.manager().selection().selected().contains(id))
            return std::nullopt;
        if (t.windows.window(id)->isSelected)
            shown.append(id);
    }
    return shown;
}

QList<QUuid> targets(TestServices& t, const QList<QUuid>& ids)
{
    QList<QUuid> shown;
    for (const QUuid& id : ids) {
        if (t.windows.window(id)->isDropTarget)
            shown.append(id);
    }
    return shown;
}

QPointF savedOrigin(TestServices& t, const QUuid& id)
{
    for (const DesktopStack& stack : StackListFile(t.paths, t.fs).loadStackList()) {
        if (stack.id == id)
            return stack.windowOrigin;
    }
    return QPointF(-1, -1);
}

} // namespace

class TestGroupMoves : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void marqueeAddsToItsBase();
    void groupDragMovesTheSelectionTogether();
    void dropTargetsNeedTheCentreWellInside();
    void dropTargetIsTheNearestAndTicksOnlyWhenLit();
    void droppingAStackMergesIt();
    void mergeKeepsWhatCouldNotMove();
    void withoutTheManagerNothingHappens();
    void filesDraggedOutLeaveTheStack();
    void syncLeavesSpreadStacksAndMissingFoldersAlone();
};

void TestGroupMoves::marqueeAddsToItsBase()
{
    TestServices t;
    // Windows are 140 × 150.
    const QList<QUuid> ids = stacksAt(t, {{100, 100}, {300, 100}, {500, 100}});
    StackManager& manager = t.manager();
    manager.selection().toggleSelection(ids[0]);

    // Shift on the Desktop keeps the selection as the base.
    manager.selection().marqueeBegan(true, true);
    QCOMPARE(manager.selection().marqueeBase(), QSet<QUuid>{ids[0]});
    // Touching nothing: just the base.
    manager.selection().marqueeChanged(QRectF(260, 300, 20, 20));
    QCOMPARE(selected(t, ids), std::optional<QList<QUuid>>(QList<QUuid>{ids[0]}));
    // Drawn from right to left and downward: the rectangle is taken either way.
    manager.selection().marqueeChanged(QRectF(600, 300, -330, -100));
    QCOMPARE(selected(t, ids), std::optional<QList<QUuid>>((QList<QUuid>{ids[0], ids[1], ids[2]})));
    // Shrinking it lets go of what it no longer touches, never of the base.
    manager.selection().marqueeChanged(QRectF(290, 200, 20, 20));
    QCOMPARE(selected(t, ids), std::optional<QList<QUuid>>((QList<QUuid>{ids[0], ids[1]})));
    // A plain press on the Desktop, or a press elsewhere even with Shift, clears it.
    manager.selection().toggleSelection(ids[2]);
    manager.selection().marqueeBegan(false, true);
    QCOMPARE(selected(t, ids), std::optional<QList<QUuid>>(QList<QUuid>{}));
    QVERIFY(manager.selection().marqueeBase().isEmpty());
    manager.selection().toggleSelection(ids[1]);
    manager.selection().marqueeBegan(true, false);
    QCOMPARE(selected(t, ids), std::optional<QList<QUuid>>(QList<QUuid>{}));
    manager.selection().marqueeChanged(QRectF(510, 110, 10, 10));
    QCOMPARE(selected(t, ids), std::optional<QList<QUuid>>(QList<QUuid>{ids[2]}));
}

void TestGroupMoves::groupDragMovesTheSelectionTogether()
{
    TestServices t;
    const QList<QUuid> ids = stacksAt(t, {{100, 100}, {300, 100}, {500, 100}, {700, 100}});
    StackManager& manager = t.manager();
    for (int i = 0; i < 3; ++i)
        manager.selection().toggleSelection(ids[i]);

    QVERIFY(manager.selection().beginGroupDrag(ids[1]));
    dragTo(t, ids[1], QPointF(310, 130));
    dragTo(t, ids[1], QPointF(320, 160));
    // Saved within a second while the drag goes on, so a stop before the release keeps it.
    t.scheduler.advance(std::chrono::seconds(1));
    QCOMPARE(savedOrigin(t, ids[0]), QPointF(120, 160));
    QVERIFY(!ManagerWindowHost(manager).endGroupDrag());
    const QList<QPointF> expected = {{120, 160}, {320, 160}, {520, 160}, {700, 100}};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(t.windows.window(ids[i])->frameOrigin(), expected[i]);
        QCOMPARE(t.record(ids[i])->windowOrigin, expected[i]);
        QCOMPARE(savedOrigin(t, ids[i]), expected[i]);
    }
    QVERIFY(!manager.selection().drag());

    // A stack outside the selection moves alone.
    QVERIFY(!manager.selection().beginGroupDrag(ids[3]));
    dragTo(t, ids[3], QPointF(700, 400));
    ManagerWindowHost(manager).endGroupDrag();
    QCOMPARE(t.record(ids[3])->windowOrigin, QPointF(700, 400));
    QCOMPARE(t.record(ids[0])->windowOrigin, expected[0]);
    QCOMPARE(savedOrigin(t, ids[3]), QPointF(700, 400));

    // Without a drag, a window moved by anyone is still recorded.
    t.windows.window(ids[0])->drag(QPointF(50, 50));
    manager.selection().windowMoved(ids[0], QPointF(50, 50));
    QCOMPARE(savedOrigin(t, ids[0]), QPointF(50, 50));
    // A move of a window without a stack changes nothing.
    manager.selection().windowMoved(QUuid::createUuid(), QPointF(1, 1));
    QCOMPARE(manager.stacks().size(), 4);
}

void TestGroupMoves::dropTargetsNeedTheCentreWellInside()
{
    TestServices t;
    // The neighbour's frame is x 400…540, y 100…250; inset, x 415…525 and y 120…230.
    const QList<QUuid> ids = stacksAt(t, {{100, 100}, {400, 100}});
    StackManager& manager = t.manager();
    // Overlapping from the start: nothing lights up until the leader moves.
    t.windows.window(ids[0])->drag(QPointF(380, 100));
    manager.selection().windowMoved(ids[0], QPointF(380, 100));
    manager.selection().beginGroupDrag(ids[0]);
    dragTo(t, ids[0], QPointF(380, 100));
    QCOMPARE(targets(t, ids), QList<QUuid>{});

    // Centre = origin + (70, 75). Just inside each inset edge lights the neighbour; just
    // outside does not.
    const QList<std::pair<QPointF, bool>> steps = {
        {{414 - 70, 175 - 75}, false}, {{415 - 70, 175 - 75}, true},  {{525 - 70, 175 - 75}, false},
        {{524 - 70, 175 - 75}, true},  {{470 - 70, 119 - 75}, false}, {{470 - 70, 120 - 75}, true},
        {{470 - 70, 230 - 75}, false}, {{470 - 70, 229 - 75}, true},
    };
    for (const auto& [origin, lit] : steps) {
        dragTo(t, ids[0], origin);
        QCOMPARE(targets(t, ids), lit ? QList<QUuid>{ids[1]} : QList<QUuid>{});
        QCOMPARE(manager.selection().hoveredTargets().isEmpty(), !lit);
    }
    // The release clears every mark.
    QVERIFY(ManagerWindowHost(manager).endGroupDrag());
    QVERIFY(manager.selection().hoveredTargets().isEmpty());
}

void TestGroupMoves::dropTargetIsTheNearestAndTicksOnlyWhenLit()
{
    TestServices t;
    const QList<QUuid> ids = stacksAt(t, {{100, 500}, {400, 100}, {480, 100}});
    StackManager& manager = t.manager();
    manager.selection().beginGroupDrag(ids[0]);
    // Centre (500, 175): inside both, nearer the first (centre 470) than the second (550).
    dragTo(t, ids[0], QPointF(430, 100));
    QCOMPARE(targets(t, ids), QList<QUuid>{ids[1]});
    QCOMPARE(t.alerts.haptics, QList<Haptic>{Haptic::Alignment});
    // Still over the same target: no second tick.
    dragTo(t, ids[0], QPointF(431, 101));
    QCOMPARE(t.alerts.haptics.size(), 1);
    // Centre (522, 175): still inside both, now nearer the second.
    dragTo(t, ids[0], QPointF(452, 100));
    QCOMPARE(targets(t, ids), QList<QUuid>{ids[2]});
    QCOMPARE(t.alerts.haptics.size(), 2);
    // Away from both: the marks go without a tick.
    dragTo(t, ids[0], QPointF(100, 500));
    QCOMPARE(targets(t, ids), QList<QUuid>{});
    QCOMPARE(t.alerts.haptics.size(), 2);
    // Released where it started: no merge.
    QVERIFY(!ManagerWindowHost(manager).endGroupDrag());
    QCOMPARE(manager.stacks().size(), 3);
}

void TestGroupMoves::droppingAStackMergesIt()
{
    TestServices t;
    for (const char* name : {"a.pdf", "b.pdf", "c.png", "d.png", "e.txt"})
        t.addDesktopFile(QLatin1String(name));
    const DesktopStack pdfs = *t.stack({u"a.pdf"_s, u"b.pdf"_s});
    const DesktopStack images = *t.stack({u"c.png"_s, u"d.png"_s});
    const DesktopStack notes = *t.stack({u"e.txt"_s});
    StackManager& manager = t.manager();
    t.windows.window(pdfs.id)->drag(QPointF(100, 100));
    manager.selection().windowMoved(pdfs.id, QPointF(100, 100));
    t.windows.window(notes.id)->drag(QPointF(100, 400));
    manager.selection().windowMoved(notes.id, QPointF(100, 400));
    t.windows.window(images.id)->drag(QPointF(600, 100));
    manager.selection().windowMoved(images.id, QPointF(600, 100));
    // The PDFs and the note are dragged together; only the PDFs land on the images.
    manager.selection().toggleSelection(pdfs.id);
    manager.selection().toggleSelection(notes.id);

    QVERIFY(manager.selection().beginGroupDrag(pdfs.id));
    dragTo(t, pdfs.id, QPointF(590, 110));
    QVERIFY(ManagerWindowHost(manager).endGroupDrag());
    t.scheduler.runUntilIdle();

    QVERIFY(!t.record(pdfs.id));
    QVERIFY(!t.windows.window(pdfs.id));
    QVERIFY(!t.namesIn(t.storageFolder()).contains(*pdfs.folderName));
    const DesktopStack merged = *t.record(images.id);
    QCOMPARE(TestServices::itemNames(merged),
             (QStringList{u"c.png"_s, u"d.png"_s, u"a.pdf"_s, u"b.pdf"_s}));
    QCOMPARE(t.namesIn(t.stackFolder(merged)),
             (QStringList{u"a.pdf"_s, u"b.pdf"_s, u"c.png"_s, u"d.png"_s}));
    QCOMPARE(t.windows.window(images.id)->files.size(), 4);
    // The note moved along and stays a stack of its own, where the drag left it.
    QCOMPARE(t.record(notes.id)->windowOrigin, QPointF(590, 410));
    QCOMPARE(savedOrigin(t, notes.id), QPointF(590, 410));
    QCOMPARE(manager.selection().selected(), QSet<QUuid>{notes.id});
    QVERIFY(t.alerts.shown.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestGroupMoves::mergeKeepsWhatCouldNotMove()
{
    TestServices t;
    for (const char* name : {"a.pdf", "b.pdf", "c.png"})
        t.addDesktopFile(QLatin1String(name));
    const DesktopStack pdfs = *t.stack({u"a.pdf"_s, u"b.pdf"_s});
    const DesktopStack image = *t.stack({u"c.png"_s});
    StackManager& manager = t.manager();
    t.windows.window(image.id)->drag(QPointF(600, 100));
    manager.selection().windowMoved(image.id, QPointF(600, 100));
    t.fs.failMovesOf(u"b.pdf"_s);

    manager.selection().beginGroupDrag(pdfs.id);
    dragTo(t, pdfs.id, QPointF(600, 100));
    QVERIFY(ManagerWindowHost(manager).endGroupDrag());
    t.scheduler.runUntilIdle();

    // The file that could not move stays in the old stack, which is named in one alert.
    QCOMPARE(TestServices::itemNames(*t.record(pdfs.id)), QStringList{u"b.pdf"_s});
    QCOMPARE(TestServices::itemNames(*t.record(image.id)), (QStringList{u"c.png"_s, u"a.pdf"_s}));
    QCOMPARE(t.namesIn(t.stackFolder(pdfs)), QStringList{u"b.pdf"_s});
    QCOMPARE(t.alerts.messages().size(), 1);
    QVERIFY(t.alerts.messages().at(0).contains(t.stackFolder(pdfs)));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestGroupMoves::withoutTheManagerNothingHappens()
{
    TestServices t;
    const DesktopStack a = t.stackNew({u"a.txt"_s});
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

void TestGroupMoves::filesDraggedOutLeaveTheStack()
{
    TestServices t;
    const DesktopStack stack = t.stackNew({u"a.txt"_s, u"b.txt"_s, u"c.txt"_s});
    const DesktopStack one = t.stackNew({u"d.txt"_s});
    const DesktopStack two = t.stackNew({u"e.txt"_s});
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

void TestGroupMoves::syncLeavesSpreadStacksAndMissingFoldersAlone()
{
    TestServices t;
    DesktopStack stack = t.stackNew({u"a.txt"_s, u"b.txt"_s});
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

QTEST_GUILESS_MAIN(TestGroupMoves)
#include "tst_groupmoves.moc"
