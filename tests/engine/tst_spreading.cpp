#include "LogCapture.h"
#include "TestServices.h"
#include "engine/GridLayout.h"
#include "engine/Spreader.h"
#include "engine/StackFiles.h"
#include "engine/StackManager.h"
#include "operations/StackRemoval.h"
#include "operations/UndoState.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>

using std::chrono::milliseconds;

namespace {

QStringList itemNames(const DesktopStack& stack)
{
    return TestServices::itemNames(stack);
}

QStringList operationsOf(const FakeDesktop& desktop)
{
    QStringList operations;
    for (const QString& text : desktop.callTexts())
        operations.append(text.section(QLatin1Char(' '), 0, 0));
    return operations;
}

// Every icon centre lies in the visible area, and no two icons share a cell.
bool allOnScreen(const QList<QPointF>& positions, const QRectF& visibleOnDesktop)
{
    for (const QPointF& p : positions) {
        const QRectF cell(p - QPointF(50, 55), QSizeF(100, 110));
        if (!visibleOnDesktop.contains(cell))
            return false;
    }
    return true;
}

} // namespace

class TestSpreading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void spreadAnnouncesMovesAndPlacesTwice();
    void spreadNumbersNamesTakenOnTheDesktop();
    void nameTakenAfterThePlanIsNumberedThen();
    void spreadKeepsFilesThatCannotMove();
    void movesRefusedByTheDesktopAreToldAndKept_data();
    void movesRefusedByTheDesktopAreToldAndKept();
    void failedPlacementIsReportedOnce();
    void placementOfARemovedStackChangesNothing();
    void restackAtTheEightyPointBoundary();
    void restackWithoutPositionsGathersEverything();
    void restackWhenEverythingMovedAwayRemovesTheStack();
    void refreshKeepsRecordWhenTheDesktopDoesNotAnswer();
    void gridStandsNextToTheWindowClearOfOthers();
    void arrangeInGridSetsAtOnceAndRefreshesLater();
    void gridLayoutRules();
};

void TestSpreading::spreadAnnouncesMovesAndPlacesTwice()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.pdf"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.pdf"), QPointF(200, 300));
    const DesktopStack stack = *t.stack({QStringLiteral("a.pdf"), QStringLiteral("b.pdf")});
    t.desktop.clearCalls();

    t.manager().spread(stack.id, false);
    QVERIFY(QFile::exists(t.desktopPath(QStringLiteral("a.pdf"))));
    QCOMPARE(t.record(stack.id)->state, StackState::expanded);
    QVERIFY(t.manager().undoState().hasSpread());
    // Told before the files arrived, so the icons landed in place.
    QCOMPARE(t.desktop.callTexts(),
             QStringList{QStringLiteral("announcePositions a.pdf (100, 100), b.pdf (200, 300)")});
    QCOMPARE(*t.desktop.icon(QStringLiteral("b.pdf")), QPointF(200, 300));

    t.scheduler.advance(milliseconds(199));
    QCOMPARE(t.desktop.calls().size(), 1);
    t.scheduler.advance(milliseconds(1));
    QCOMPARE(operationsOf(t.desktop), (QStringList{QStringLiteral("announcePositions"),
                                                   QStringLiteral("setDesktopPositions")}));
    t.scheduler.advance(milliseconds(699));
    QCOMPARE(t.desktop.calls().size(), 2);
    // The user nudges an icon while it settles; the refresh records where it ended.
    t.desktop.setIcon(QStringLiteral("a.pdf"), QPointF(400, 120));
    t.scheduler.advance(milliseconds(1));
    QCOMPARE(
        operationsOf(t.desktop),
        (QStringList{QStringLiteral("announcePositions"), QStringLiteral("setDesktopPositions"),
                     QStringLiteral("setDesktopPositions"), QStringLiteral("desktopPositions")}));
    QCOMPARE(t.desktop.callTexts().last(), QStringLiteral("desktopPositions a.pdf, b.pdf"));
    // The second pass put a.pdf back; the refresh recorded it there.
    QCOMPARE(t.record(stack.id)->items.first().position, QPointF(100, 100));
    QCOMPARE(t.scheduler.pending(), 0);

    // Spreading a spread stack does nothing.
    t.desktop.clearCalls();
    t.manager().spread(stack.id, false);
    QVERIFY(t.desktop.calls().isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::spreadNumbersNamesTakenOnTheDesktop()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("report.pdf"));
    t.addDesktopFile(QStringLiteral("a"));
    t.addDesktopFile(QStringLiteral("a 2"));
    const DesktopStack stack =
        *t.stack({QStringLiteral("report.pdf"), QStringLiteral("a"), QStringLiteral("a 2")});
    // New files of the same names arrive meanwhile; one is a folder.
    t.addDesktopFile(QStringLiteral("report.pdf"));
    t.invariant.addFile(QStringLiteral("Desktop/a/inside"));
    t.manager().spread(stack.id, false);
    // "a" becomes "a 2", so the stack's own "a 2" must not land on it.
    QCOMPARE(itemNames(*t.record(stack.id)),
             (QStringList{QStringLiteral("report 2.pdf"), QStringLiteral("a 2"),
                          QStringLiteral("a 2 2")}));
    QVERIFY(t.namesIn(t.stackFolder(stack)).isEmpty());
    t.scheduler.runUntilIdle();
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::nameTakenAfterThePlanIsNumberedThen()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("report.pdf"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.txt"), QPointF(200, 100));
    const DesktopStack stack = *t.stack({QStringLiteral("report.pdf"), QStringLiteral("b.txt")});
    // Another program saves a "report.pdf" on the Desktop after the names were chosen, just
    // before that file's move.
    bool arrived = false;
    t.fs.failMoves([&](const QString&, const QString& to) {
        if (!arrived && to == t.desktopPath(QStringLiteral("report.pdf"))) {
            arrived = true;
            t.addDesktopFile(QStringLiteral("report.pdf"));
        }
        return false;
    });
    t.desktop.clearCalls();
    t.manager().spread(stack.id, false);
    QVERIFY(arrived);
    QCOMPARE(itemNames(*t.record(stack.id)),
             (QStringList{QStringLiteral("report 2.pdf"), QStringLiteral("b.txt")}));
    QVERIFY(t.namesIn(t.stackFolder(stack)).isEmpty());
    t.scheduler.runUntilIdle();
    // The icons are placed under the name the file got.
    const QList<FakeDesktop::Call> placed =
        t.desktop.callsOf(FakeDesktop::Operation::setDesktopPositions);
    QVERIFY(!placed.isEmpty());
    QCOMPARE(placed.first().positions.first().name, QStringLiteral("report 2.pdf"));
    QCOMPARE(t.desktop.icon(QStringLiteral("report 2.pdf")), QPointF(100, 100));
    // The record finds its files again at their new names.
    QCOMPARE(t.manager().operations().files.resolvedFiles(*t.record(stack.id)),
             (QStringList{t.desktopPath(QStringLiteral("report 2.pdf")),
                          t.desktopPath(QStringLiteral("b.txt"))}));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::spreadKeepsFilesThatCannotMove()
{
    TestServices t;
    LogCapture log;
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.addDesktopFile(QStringLiteral("b.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    t.fs.failMovesOf(QStringLiteral("a.txt"));
    t.manager().spread(stack.id, false);
    const QString kept = t.stackFolder(stack) + QStringLiteral("/a.txt");
    QCOMPARE(log.startingWith(QStringLiteral("Tidorama: could not restore ")),
             QStringList{QStringLiteral("Tidorama: could not restore ") + kept +
                         QStringLiteral(": ") + FaultyFileSystem::injected});
    const DesktopStack spread = *t.record(stack.id);
    QCOMPARE(spread.state, StackState::expanded);
    QCOMPARE(spread.items.first(), stack.items.first());
    t.scheduler.runUntilIdle();
    // Only the file that arrived was placed.
    QCOMPARE(
        t.desktop.callsOf(FakeDesktop::Operation::setDesktopPositions).first().positions.size(), 1);

    // Restacking gathers the one that came out and keeps the one that never left.
    t.fs.clearFailures();
    t.manager().restack(stack.id, true);
    QCOMPARE(t.record(stack.id)->state, StackState::collapsed);
    QCOMPARE(t.namesIn(t.stackFolder(stack)),
             (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::movesRefusedByTheDesktopAreToldAndKept_data()
{
    QTest::addColumn<bool>("restacking");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<StackState>("state");
    QTest::addColumn<QString>("message");
    // A read-only Desktop refuses every move; a single file can be refused too.
    const StackState collapsed = StackState::collapsed;
    const StackState expanded = StackState::expanded;
    QTest::newRow("spread, nothing moves") << false << QString() << collapsed
                                           << QStringLiteral("3 of 3 files were not moved to the "
                                                             "Desktop. They are still in {folder}");
    QTest::newRow("spread, one stays") << false << QStringLiteral("b.txt") << expanded
                                       << QStringLiteral("1 of 3 files was not moved to the "
                                                         "Desktop. It is still in {folder}");
    QTest::newRow("restack, nothing moves")
        << true << QString() << expanded
        << QStringLiteral(
               "3 of 3 files were not moved into the stack. They are still in {desktop}");
    QTest::newRow("restack, one stays")
        << true << QStringLiteral("b.txt") << collapsed
        << QStringLiteral("1 of 3 files was not moved into the stack. It is still in {desktop}");
}

void TestSpreading::movesRefusedByTheDesktopAreToldAndKept()
{
    QFETCH(bool, restacking);
    QFETCH(QString, refused);
    QFETCH(StackState, state);
    QFETCH(QString, message);
    TestServices t;
    const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt"),
                               QStringLiteral("c.txt")};
    for (const QString& name : names)
        t.addDesktopFile(name);
    const DesktopStack stack = *t.stack(names);
    if (restacking)
        t.manager().spread(stack.id, false);
    t.fs.failWith(EROFS);
    t.fs.failMoves([&refused](const QString& from, const QString&) {
        return refused.isEmpty() || QFileInfo(from).fileName() == refused;
    });
    if (restacking)
        t.manager().restack(stack.id, false);
    else
        t.manager().spread(stack.id, false);

    // One alert: how many, where they are, and the system's reason.
    QCOMPARE(t.alerts.messages(),
             QStringList{message.replace(QStringLiteral("{folder}"), t.stackFolder(stack))
                             .replace(QStringLiteral("{desktop}"), t.paths.desktop()) +
                         QStringLiteral(": Read-only file system.")});
    // The state says where the files are, and no file leaves the stack.
    const DesktopStack now = *t.record(stack.id);
    QCOMPARE(now.state, state);
    QCOMPARE(itemNames(now), names);
    QCOMPARE(t.manager().operations().files.resolvedFiles(now).size(), 3);
    TIDORA_CHECK_INVARIANT(t.invariant);

    // Once the Desktop takes files again, the next click finishes the job without renaming.
    t.fs.clearFailures();
    if (now.state == StackState::collapsed)
        t.manager().spread(stack.id, false);
    else
        t.manager().restack(stack.id, false);
    QCOMPARE(itemNames(*t.record(stack.id)), names);
    const QString place = t.record(stack.id)->state == StackState::collapsed ? t.stackFolder(stack)
                                                                             : t.paths.desktop();
    for (const QString& name : names)
        QVERIFY(QFile::exists(place + QLatin1Char('/') + name));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::failedPlacementIsReportedOnce()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    const BridgeError refused{QStringLiteral("Not now."), 7};
    t.desktop.fail(FakeDesktop::Operation::setDesktopPositions, refused);
    t.desktop.clearCalls();
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    QCOMPARE(t.alerts.messages(), QStringList{refused.description()});
    // Neither the second pass nor the refresh ran.
    QCOMPARE(operationsOf(t.desktop), (QStringList{QStringLiteral("announcePositions"),
                                                   QStringLiteral("setDesktopPositions")}));
    QVERIFY(QFile::exists(t.desktopPath(QStringLiteral("a.txt"))));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::placementOfARemovedStackChangesNothing()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    t.manager().spread(stack.id, false);
    t.manager().operations().removal.removeStack(stack.id, true);
    t.scheduler.runUntilIdle();
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(t.alerts.shown.isEmpty());
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::restackAtTheEightyPointBoundary()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("near.txt"), QPointF(300, 300));
    t.addDesktopFile(QStringLiteral("far.txt"), QPointF(300, 500));
    t.addDesktopFile(QStringLiteral("still.txt"), QPointF(500, 500));
    const DesktopStack stack = *t.stack(
        {QStringLiteral("near.txt"), QStringLiteral("far.txt"), QStringLiteral("still.txt")});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    // Exactly 80 points (a 48-64-80 triangle), and 81.
    t.desktop.setIcon(QStringLiteral("near.txt"), QPointF(348, 364));
    t.desktop.setIcon(QStringLiteral("far.txt"), QPointF(381, 500));
    t.desktop.clearCalls();
    t.manager().restack(stack.id, true);
    QCOMPARE(t.desktop.callTexts(),
             QStringList{QStringLiteral("desktopPositions near.txt, far.txt, still.txt")});
    const DesktopStack restacked = *t.record(stack.id);
    QCOMPARE(restacked.state, StackState::collapsed);
    QCOMPARE(itemNames(restacked),
             (QStringList{QStringLiteral("near.txt"), QStringLiteral("still.txt")}));
    QCOMPARE(restacked.items.first().position, QPointF(348, 364));
    QVERIFY(QFile::exists(t.desktopPath(QStringLiteral("far.txt"))));
    QCOMPARE(t.namesIn(t.stackFolder(stack)),
             (QStringList{QStringLiteral("near.txt"), QStringLiteral("still.txt")}));

    // Without letting moved files leave, everything comes back, at its new place.
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.desktop.setIcon(QStringLiteral("near.txt"), QPointF(900, 700));
    t.manager().restack(stack.id, false);
    QCOMPARE(t.record(stack.id)->items.size(), 2);
    QCOMPARE(t.record(stack.id)->items.first().position, QPointF(900, 700));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::restackWithoutPositionsGathersEverything()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.txt"), QPointF(100, 200));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.desktop.setIcon(QStringLiteral("a.txt"), QPointF(900, 700));
    t.desktop.setMode(FakeDesktop::Mode::unreachable);
    t.manager().restack(stack.id, true);
    QCOMPARE(t.record(stack.id)->items, t.record(stack.id)->items);
    QCOMPARE(t.record(stack.id)->items.size(), 2);
    QCOMPARE(t.record(stack.id)->items.first().position, QPointF(100, 100));
    QVERIFY(t.alerts.shown.isEmpty());
    // A user who renamed a spread file on the Desktop gets it back under its new name.
    t.desktop.setMode(FakeDesktop::Mode::running);
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    QVERIFY(QFile::rename(t.desktopPath(QStringLiteral("b.txt")),
                          t.desktopPath(QStringLiteral("c.txt"))));
    t.desktop.setIcon(QStringLiteral("c.txt"), QPointF(100, 200));
    t.manager().restack(stack.id, true);
    QCOMPARE(itemNames(*t.record(stack.id)),
             (QStringList{QStringLiteral("a.txt"), QStringLiteral("c.txt")}));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::restackWhenEverythingMovedAwayRemovesTheStack()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"), QPointF(100, 100));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.desktop.setIcon(QStringLiteral("a.txt"), QPointF(700, 100));
    t.manager().restack(stack.id, true);
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(!t.windows.window(stack.id));
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(t.alerts.shown.isEmpty());

    // The same with a file someone put into the folder meanwhile: the folder stays, and the
    // user is told.
    t.addDesktopFile(QStringLiteral("b.txt"), QPointF(100, 100));
    const DesktopStack second = *t.stack({QStringLiteral("b.txt")});
    t.manager().spread(second.id, false);
    t.scheduler.runUntilIdle();
    t.invariant.addFile(QStringLiteral("Documents/.Tidora/") + *second.folderName +
                        QStringLiteral("/dropped.txt"));
    t.desktop.setIcon(QStringLiteral("b.txt"), QPointF(700, 100));
    t.manager().restack(second.id, true);
    QVERIFY(t.manager().stacks().isEmpty());
    QCOMPARE(t.alerts.messages(),
             QStringList{QStringLiteral("Some files remain in ") + t.stackFolder(second) +
                         QStringLiteral(". The folder was kept so they aren't lost.")});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::refreshKeepsRecordWhenTheDesktopDoesNotAnswer()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"), QPointF(100, 100));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.desktop.setIcon(QStringLiteral("a.txt"), QPointF(500, 500));
    t.desktop.fail(FakeDesktop::Operation::desktopPositions, BridgeError{QStringLiteral("no"), 1});
    t.manager().operations().spreader.refreshPositions(stack.id);
    QCOMPARE(t.record(stack.id)->items.first().position, QPointF(100, 100));
    t.desktop.clearFailures();
    t.manager().operations().spreader.refreshPositions(stack.id);
    QCOMPARE(t.record(stack.id)->items.first().position, QPointF(500, 500));
    QVERIFY(t.alerts.shown.isEmpty());
}

void TestSpreading::gridStandsNextToTheWindowClearOfOthers()
{
    TestServices t;
    QStringList names;
    for (int i = 0; i < 6; ++i) {
        names.append(QStringLiteral("f%1.txt").arg(i));
        t.addDesktopFile(names.last(), QPointF(300 + 10 * i, 300));
    }
    // An icon of another file right of where the window will stand.
    t.addDesktopFile(QStringLiteral("other.txt"), QPointF(480, 330));
    const DesktopStack stack = *t.stack(names);
    t.desktop.clearCalls();
    t.manager().spread(stack.id, true);
    QCOMPARE(operationsOf(t.desktop),
             (QStringList{QStringLiteral("desktopItems"), QStringLiteral("announcePositions")}));
    const DesktopStack spread = *t.record(stack.id);
    QList<QPointF> positions;
    for (const StackItem& item : spread.items)
        positions.append(item.position);
    const QRectF visible(0, 24, 1280, 776);
    QVERIFY(allOnScreen(positions, visible));
    const QRectF window(stack.windowOrigin.x(), 800 - stack.windowOrigin.y() - 150, 140, 150);
    const QRectF other(440, 285, 80, 90);
    for (const QPointF& p : std::as_const(positions)) {
        const QRectF cell(p - QPointF(50, 55), QSizeF(100, 110));
        QVERIFY(!cell.intersects(window));
        QVERIFY(!cell.intersects(other));
    }
    // The icons land where the grid says, and stay there.
    t.scheduler.runUntilIdle();
    QCOMPARE(*t.desktop.icon(QStringLiteral("f5.txt")), positions.last());
    QCOMPARE(t.record(stack.id)->items.last().position, positions.last());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::arrangeInGridSetsAtOnceAndRefreshesLater()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.txt"), QPointF(900, 600));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.desktop.clearCalls();
    t.manager().arrangeInGrid(stack.id);
    QCOMPARE(operationsOf(t.desktop),
             (QStringList{QStringLiteral("desktopItems"), QStringLiteral("setDesktopPositions")}));
    const DesktopStack arranged = *t.record(stack.id);
    QCOMPARE(*t.desktop.icon(QStringLiteral("b.txt")), arranged.items.at(1).position);
    // One column of two.
    QCOMPARE(arranged.items.at(1).position - arranged.items.at(0).position, QPointF(0, 110));
    t.scheduler.advance(milliseconds(299));
    QCOMPARE(t.desktop.calls().size(), 2);
    t.scheduler.advance(milliseconds(1));
    QCOMPARE(operationsOf(t.desktop).last(), QStringLiteral("desktopPositions"));
    // Arranging a gathered stack does nothing.
    t.manager().restack(stack.id, false);
    t.desktop.clearCalls();
    t.manager().arrangeInGrid(stack.id);
    QVERIFY(t.desktop.calls().isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::gridLayoutRules()
{
    const QRectF area(0, 24, 1280, 776);
    const qreal m = GridLayout::margin(area);
    QCOMPARE(m, 25.6);
    // Right of the window, top edges aligned, one column when it fits.
    const QRectF window(100, 100, 140, 150);
    QList<QPointF> grid = GridLayout::positions(3, window, area, {});
    QCOMPARE(grid, (QList<QPointF>{QPointF(240 + m + 50, 155), QPointF(240 + m + 50, 265),
                                   QPointF(240 + m + 50, 375)}));
    // An obstacle there pushes it to two columns or further round.
    grid = GridLayout::positions(3, window, area, {QRectF(290, 300, 80, 90)});
    for (const QPointF& p : std::as_const(grid))
        QVERIFY(!QRectF(p - QPointF(50, 55), QSizeF(100, 110))
                     .intersects(QRectF(290 - m, 300 - m, 80 + 2 * m, 90 + 2 * m)));
    // A window near the bottom keeps its grid on the right, moved up onto the screen.
    const QRectF low(100, 640, 140, 150);
    grid = GridLayout::positions(5, low, area, {});
    QCOMPARE(grid.first().x(), 240 + m + 50);
    QVERIFY(grid.last().y() + 55 <= 800 - m);
    // Nowhere free: the most columns at the top left of the area.
    grid = GridLayout::positions(2, window, area, {area});
    QCOMPARE(grid.first(), QPointF(m + 50, 24 + m + 55));
    QCOMPARE(grid.at(1), QPointF(m + 150, 24 + m + 55));
    // No screen, and no icons.
    QCOMPARE(GridLayout::positions(2, window, QRectF(), {}).size(), 2);
    QVERIFY(GridLayout::positions(0, window, area, {}).isEmpty());
}

QTEST_GUILESS_MAIN(TestSpreading)
#include "tst_spreading.moc"
