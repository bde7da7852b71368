#include "TestServices.h"
#include "engine/ManagerWindowHost.h"
#include "engine/StackManager.h"
#include "engine/StackSelection.h"
#include "operations/UndoState.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The window of the stack moved to `origin` (screen coordinates), as the user leaves it.
void placeWindow(TestServices& t, const QUuid& id, QPointF origin)
{
    t.windows.window(id)->drag(origin);
    t.manager().selection().windowMoved(id, origin);
}

// Stacks with one file each, their windows at the given origins.
QList<QUuid> stacksAt(TestServices& t, const QList<QPointF>& origins)
{
    QList<QUuid> ids;
    for (qsizetype i = 0; i < origins.size(); ++i) {
        const QString name = u"file %1.txt"_s.arg(i);
        t.addDesktopFile(name);
        ids.append(t.stack({name})->id);
        placeWindow(t, ids.last(), origins.at(i));
    }
    return ids;
}

// The user drags the leader's window to `origin`; the windows carried along report their moves
// as real windows do.
void dragTo(TestServices& t, const QUuid& leader, QPointF origin)
{
    StackSelection& selection = t.manager().selection();
    placeWindow(t, leader, origin);
    if (!selection.drag())
        return;
    for (auto it = selection.drag()->start.cbegin(); it != selection.drag()->start.cend(); ++it) {
        if (FakeStackWindow* window = t.windows.window(it.key()))
            selection.windowMoved(it.key(), window->frameOrigin());
    }
}

// Which of the stacks (by index) have windows showing them selected; -1 when a window disagrees
// with the selection.
QList<int> selected(TestServices& t, const QList<QUuid>& ids)
{
    QList<int> shown;
    for (int i = 0; i < ids.size(); ++i) {
        const bool lit = t.windows.window(ids[i])->isSelected;
        if (lit != t.manager().selection().selected().contains(ids[i]))
            return {-1};
        if (lit)
            shown.append(i);
    }
    return shown;
}

// Which of the stacks (by index) have windows lit as a drop target.
QList<int> targets(TestServices& t, const QList<QUuid>& ids)
{
    QList<int> shown;
    for (int i = 0; i < ids.size(); ++i) {
        if (t.windows.window(ids[i])->isDropTarget)
            shown.append(i);
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
    void dropTargetIsTheNearestWithItsCentreWellInside();
    void droppingAStackMergesItAndKeepsWhatCouldNotMove();
    void withoutTheManagerNothingHappens();
    void filesDraggedOutLeaveTheStack();
};

void TestGroupMoves::marqueeAddsToItsBase()
{
    TestServices t;
    // Windows are 140 × 150.
    const QList<QUuid> ids = stacksAt(t, {{100, 100}, {300, 100}, {500, 100}});
    StackSelection& selection = t.manager().selection();
    selection.toggleSelection(ids[0]);

    // Shift on the Desktop keeps the selection as the base.
    selection.marqueeBegan(true, true);
    QCOMPARE(selection.marqueeBase(), QSet<QUuid>{ids[0]});
    // Touching nothing: just the base.
    selection.marqueeChanged(QRectF(260, 300, 20, 20));
    QCOMPARE(selected(t, ids), QList<int>{0});
    // Drawn from right to left and downward: the rectangle is taken either way.
    selection.marqueeChanged(QRectF(600, 300, -330, -100));
    QCOMPARE(selected(t, ids), (QList<int>{0, 1, 2}));
    // Shrinking it lets go of what it no longer touches, never of the base.
    selection.marqueeChanged(QRectF(290, 200, 20, 20));
    QCOMPARE(selected(t, ids), (QList<int>{0, 1}));
    // A plain press on the Desktop, or a press elsewhere even with Shift, clears it.
    selection.toggleSelection(ids[2]);
    selection.marqueeBegan(false, true);
    QCOMPARE(selected(t, ids), QList<int>{});
    QVERIFY(selection.marqueeBase().isEmpty());
    selection.toggleSelection(ids[1]);
    selection.marqueeBegan(true, false);
    QCOMPARE(selected(t, ids), QList<int>{});
    selection.marqueeChanged(QRectF(510, 110, 10, 10));
    QCOMPARE(selected(t, ids), QList<int>{2});
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

    // Without a drag, a window moved by anyone is still recorded; a move of a window without a
    // stack changes nothing.
    placeWindow(t, ids[0], QPointF(50, 50));
    QCOMPARE(savedOrigin(t, ids[0]), QPointF(50, 50));
    manager.selection().windowMoved(QUuid::createUuid(), QPointF(1, 1));
    QCOMPARE(manager.stacks().size(), 4);
}

void TestGroupMoves::dropTargetIsTheNearestWithItsCentreWellInside()
{
    TestServices t;
    // Frames are 140 × 150, inset by 15 and 20 for a target: the first neighbour's inset frame
    // is x 415…525, y 120…230, the second's x 495…605, y 200…310.
    const QList<QUuid> ids = stacksAt(t, {{100, 500}, {400, 100}, {480, 180}});
    StackSelection& selection = t.manager().selection();
    // Overlapping from the start: nothing lights up until the leader moves.
    placeWindow(t, ids[0], QPointF(380, 100));
    selection.beginGroupDrag(ids[0]);
    dragTo(t, ids[0], QPointF(380, 100));
    QCOMPARE(targets(t, ids), QList<int>{});

    // The dragged window's centre, the neighbour lit (by index) and the ticks felt so far: just
    // inside each inset edge lights it, just outside does not; inside both, the nearer centre
    // wins; a tick only when another target lights up.
    const QList<std::tuple<QPointF, QList<int>, int>> steps = {
        {{414, 175}, {}, 0},  {{415, 175}, {1}, 1}, {{416, 176}, {1}, 1}, {{525, 175}, {}, 1},
        {{524, 175}, {1}, 2}, {{470, 119}, {}, 2},  {{470, 120}, {1}, 3}, {{470, 230}, {}, 3},
        {{470, 229}, {1}, 4}, {{500, 210}, {1}, 4}, {{520, 225}, {2}, 5}, {{170, 575}, {}, 5},
    };
    for (const auto& [centre, lit, ticks] : steps) {
        dragTo(t, ids[0], centre - QPointF(70, 75));
        QCOMPARE(targets(t, ids), lit);
        QCOMPARE(selection.hoveredTargets().size(), lit.size());
        QCOMPARE(t.alerts.haptics.size(), ticks);
    }
    // Released over nothing: no merge.
    QVERIFY(!ManagerWindowHost(t.manager()).endGroupDrag());
    QCOMPARE(t.manager().stacks().size(), 3);
}

void TestGroupMoves::droppingAStackMergesItAndKeepsWhatCouldNotMove()
{
    TestServices t;
    for (const char* name : {"a.pdf", "b.pdf", "c.png", "d.png", "e.txt", "f.txt"})
        t.addDesktopFile(QLatin1String(name));
    const DesktopStack pdfs = *t.stack({u"a.pdf"_s, u"b.pdf"_s});
    const DesktopStack images = *t.stack({u"c.png"_s, u"d.png"_s});
    const DesktopStack notes = *t.stack({u"e.txt"_s, u"f.txt"_s});
    StackManager& manager = t.manager();
    placeWindow(t, pdfs.id, QPointF(100, 100));
    placeWindow(t, notes.id, QPointF(100, 400));
    placeWindow(t, images.id, QPointF(600, 100));
    // The PDFs and the notes are dragged together; only the PDFs land on the images.
    manager.selection().toggleSelection(pdfs.id);
    manager.selection().toggleSelection(notes.id);

    QVERIFY(manager.selection().beginGroupDrag(pdfs.id));
    dragTo(t, pdfs.id, QPointF(590, 110));
    QVERIFY(t.windows.window(images.id)->isDropTarget);
    QVERIFY(ManagerWindowHost(manager).endGroupDrag());
    t.scheduler.runUntilIdle();
    // The release clears every mark.
    QVERIFY(manager.selection().hoveredTargets().isEmpty());
    QVERIFY(!t.windows.window(images.id)->isDropTarget);

    QVERIFY(!t.record(pdfs.id));
    QVERIFY(!t.windows.window(pdfs.id));
    QVERIFY(!t.namesIn(t.storageFolder()).contains(*pdfs.folderName));
    const DesktopStack merged = *t.record(images.id);
    QCOMPARE(TestServices::itemNames(merged),
             (QStringList{u"c.png"_s, u"d.png"_s, u"a.pdf"_s, u"b.pdf"_s}));
    QCOMPARE(t.namesIn(t.stackFolder(merged)),
             (QStringList{u"a.pdf"_s, u"b.pdf"_s, u"c.png"_s, u"d.png"_s}));
    QCOMPARE(t.windows.window(images.id)->files.size(), 4);
    // The notes moved along and stay a stack of their own, where the drag left them.
    QCOMPARE(t.record(notes.id)->windowOrigin, QPointF(590, 410));
    QCOMPARE(savedOrigin(t, notes.id), QPointF(590, 410));
    QCOMPARE(manager.selection().selected(), QSet<QUuid>{notes.id});
    QVERIFY(t.alerts.shown.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);

    // A file that cannot move stays in the old stack, which is named in one alert.
    t.fs.failMovesOf(u"f.txt"_s);
    manager.selection().beginGroupDrag(notes.id);
    dragTo(t, notes.id, QPointF(600, 100));
    QVERIFY(ManagerWindowHost(manager).endGroupDrag());
    t.scheduler.runUntilIdle();
    QCOMPARE(TestServices::itemNames(*t.record(notes.id)), QStringList{u"f.txt"_s});
    QCOMPARE(TestServices::itemNames(*t.record(images.id)).last(), u"e.txt"_s);
    QCOMPARE(t.namesIn(t.stackFolder(notes)), QStringList{u"f.txt"_s});
    QCOMPARE(t.alerts.messages().size(), 1);
    QVERIFY(t.alerts.messages().at(0).contains(t.stackFolder(notes)));
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

    // The whole stack folder went away with its files (the storage folder is being moved, or
    // was moved by hand), or the stack is spread: its files are not in the folder, and the
    // record keeps them.
    QVERIFY(QFile::rename(folder, t.home.documents() + u"/away"_s));
    host.syncWithFolder(stack.id);
    QCOMPARE(t.record(stack.id)->items.size(), 1);
    QVERIFY(QFile::rename(t.home.documents() + u"/away"_s, folder));
    host.spread(stack.id, false);
    t.scheduler.runUntilIdle();
    host.syncWithFolder(stack.id);
    QCOMPARE(t.record(stack.id)->items.size(), 1);
    host.syncWithFolder(QUuid::createUuid());

    // Saved: the next launch agrees.
    QCOMPARE(t.relaunch().stackWithID(stack.id)->items.size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestGroupMoves)
#include "tst_groupmoves.moc"
