#include "LogCapture.h"
#include "TestServices.h"
#include "engine/GridLayout.h"
#include "engine/Spreader.h"
#include "engine/StackFiles.h"
#include "engine/StackManager.h"
#include "operations/UndoState.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>

using namespace Qt::StringLiterals;

using std::chrono::milliseconds;

namespace {

constexpr auto itemNames = &TestServices::itemNames;

QStringList operationsOf(const FakeDesktop& desktop)
{
    QStringList operations;
    for (const QString& text : desktop.callTexts())
        operations.append(text.section(QLatin1Char(' '), 0, 0));
    return operations;
}

// A stack of these Desktop files (icons where given), spread and settled.
DesktopStack spreadStack(TestServices& t, const QList<std::pair<QString, QPointF>>& files)
{
    QStringList names;
    for (const auto& [name, icon] : files) {
        t.addDesktopFile(name, icon);
        names.append(name);
    }
    const DesktopStack stack = *t.stack(names);
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.desktop.clearCalls();
    return stack;
}

} // namespace

class TestSpreading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void spreadPutsTheIconsBackWhereTheyWere();
    void namesTakenOnTheDesktopAreNumbered();
    void spreadKeepsFilesThatCannotMove();
    void movesRefusedByTheDesktopAreToldAndKept_data();
    void movesRefusedByTheDesktopAreToldAndKept();
    void restackAtTheEightyPointBoundary();
    void restackWithoutPositionsOrAnythingLeftToGather();
    void gridStandsNextToTheWindowClearOfOthers();
    void arrangeInGridSetsAtOnceAndRefreshesLater();
    void gridLayoutRules();
};

void TestSpreading::spreadPutsTheIconsBackWhereTheyWere()
{
    TestServices t;
    t.addDesktopFile(u"a.pdf"_s, QPointF(100, 100));
    t.addDesktopFile(u"b.pdf"_s, QPointF(200, 300));
    const DesktopStack stack = *t.stack({u"a.pdf"_s, u"b.pdf"_s});
    t.desktop.clearCalls();

    t.manager().spread(stack.id, false);
    QCOMPARE(t.record(stack.id)->state, StackState::expanded);
    QVERIFY(t.manager().undoState().hasSpread());
    // Told before the files arrived, so the icons landed in place.
    QCOMPARE(t.desktop.callTexts(),
             QStringList{u"announcePositions a.pdf (100, 100), b.pdf (200, 300)"_s});
    QCOMPARE(*t.desktop.icon(u"b.pdf"_s), QPointF(200, 300));
    // Placed twice while the icons settle, then the positions are read back and recorded.
    t.desktop.setIcon(u"a.pdf"_s, QPointF(400, 120));
    t.scheduler.runUntilIdle();
    QCOMPARE(operationsOf(t.desktop),
             (QStringList{u"announcePositions"_s, u"setDesktopPositions"_s,
                          u"setDesktopPositions"_s, u"desktopPositions"_s}));
    QCOMPARE(t.record(stack.id)->items.first().position, QPointF(100, 100));

    // Spreading a spread stack does nothing.
    t.desktop.clearCalls();
    t.manager().spread(stack.id, false);
    QVERIFY(t.desktop.calls().isEmpty());

    // Placing refused: told once, and neither the second pass nor the refresh runs.
    t.manager().restack(stack.id, false);
    const BridgeError refused{u"Not now."_s, 7};
    t.desktop.fail(FakeDesktop::Operation::setDesktopPositions, refused);
    t.desktop.clearCalls();
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    QCOMPARE(t.alerts.messages(), QStringList{refused.description()});
    QCOMPARE(operationsOf(t.desktop),
             (QStringList{u"announcePositions"_s, u"setDesktopPositions"_s}));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::namesTakenOnTheDesktopAreNumbered()
{
    TestServices t;
    const QStringList names = {u"report.pdf"_s, u"a"_s, u"a 2"_s, u"late.txt"_s};
    for (const QString& name : names)
        t.addDesktopFile(name, QPointF(100, 100));
    const DesktopStack stack = *t.stack(names);
    // New files of the same names arrive meanwhile; one is a folder.
    t.addDesktopFile(u"report.pdf"_s);
    t.invariant.addFile(u"Desktop/a/inside"_s);
    // Another program saves a "late.txt" after the names were chosen, just before its move.
    bool arrived = false;
    t.fs.failMoves([&](const QString&, const QString& to) {
        if (!arrived && to == t.desktopPath(u"late.txt"_s)) {
            arrived = true;
            t.addDesktopFile(u"late.txt"_s);
        }
        return false;
    });
    t.manager().spread(stack.id, false);
    QVERIFY(arrived);
    // "a" becomes "a 2", so the stack's own "a 2" must not land on it.
    const QStringList now = {u"report 2.pdf"_s, u"a 2"_s, u"a 2 2"_s, u"late 2.txt"_s};
    QCOMPARE(itemNames(*t.record(stack.id)), now);
    QVERIFY(t.namesIn(t.stackFolder(stack)).isEmpty());
    t.scheduler.runUntilIdle();
    // The icons are placed, and the record finds its files, under the names they got.
    QCOMPARE(t.desktop.icon(u"late 2.txt"_s), QPointF(100, 100));
    QStringList paths;
    for (const QString& name : now)
        paths.append(t.desktopPath(name));
    QCOMPARE(t.manager().operations().files.resolvedFiles(*t.record(stack.id)), paths);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::spreadKeepsFilesThatCannotMove()
{
    TestServices t;
    LogCapture log;
    const DesktopStack stack = t.stackNew({u"a.txt"_s, u"b.txt"_s});
    t.fs.failMovesOf(u"a.txt"_s);
    t.manager().spread(stack.id, false);
    QCOMPARE(log.startingWith(u"Tidorama: could not restore "_s).size(), 1);
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
    QCOMPARE(t.namesIn(t.stackFolder(stack)), (QStringList{u"a.txt"_s, u"b.txt"_s}));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::movesRefusedByTheDesktopAreToldAndKept_data()
{
    QTest::addColumn<bool>("restacking");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<StackState>("state");
    QTest::addColumn<QString>("message");
    // A read-only Desktop refuses every move; a single file can be refused too.
    QTest::newRow("spread, nothing moves")
        << false << QString() << StackState::collapsed
        << u"3 of 3 files were not moved to the Desktop. They are still in {folder}"_s;
    QTest::newRow("spread, one stays")
        << false << u"b.txt"_s << StackState::expanded
        << u"1 of 3 files was not moved to the Desktop. It is still in {folder}"_s;
    QTest::newRow("restack, nothing moves")
        << true << QString() << StackState::expanded
        << u"3 of 3 files were not moved into the stack. They are still in {desktop}"_s;
    QTest::newRow("restack, one stays")
        << true << u"b.txt"_s << StackState::collapsed
        << u"1 of 3 files was not moved into the stack. It is still in {desktop}"_s;
}

void TestSpreading::movesRefusedByTheDesktopAreToldAndKept()
{
    QFETCH(bool, restacking);
    QFETCH(QString, refused);
    QFETCH(StackState, state);
    QFETCH(QString, message);
    TestServices t;
    const QStringList names = {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s};
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
    QCOMPARE(t.alerts.messages(), QStringList{message.replace(u"{folder}"_s, t.stackFolder(stack))
                                                  .replace(u"{desktop}"_s, t.paths.desktop()) +
                                              u": Read-only file system."_s});
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

void TestSpreading::restackAtTheEightyPointBoundary()
{
    TestServices t;
    const DesktopStack stack = spreadStack(t, {{u"near.txt"_s, QPointF(300, 300)},
                                               {u"far.txt"_s, QPointF(300, 500)},
                                               {u"still.txt"_s, QPointF(500, 500)}});
    // Exactly 80 points (a 48-64-80 triangle), and 81.
    t.desktop.setIcon(u"near.txt"_s, QPointF(348, 364));
    t.desktop.setIcon(u"far.txt"_s, QPointF(381, 500));
    t.manager().restack(stack.id, true);
    QCOMPARE(operationsOf(t.desktop), QStringList{u"desktopPositions"_s});
    const DesktopStack restacked = *t.record(stack.id);
    QCOMPARE(restacked.state, StackState::collapsed);
    QCOMPARE(itemNames(restacked), (QStringList{u"near.txt"_s, u"still.txt"_s}));
    QCOMPARE(restacked.items.first().position, QPointF(348, 364));
    QVERIFY(QFile::exists(t.desktopPath(u"far.txt"_s)));
    QCOMPARE(t.namesIn(t.stackFolder(stack)), (QStringList{u"near.txt"_s, u"still.txt"_s}));

    // Without letting moved files leave, everything comes back, at its new place.
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.desktop.setIcon(u"near.txt"_s, QPointF(900, 700));
    t.manager().restack(stack.id, false);
    QCOMPARE(t.record(stack.id)->items.size(), 2);
    QCOMPARE(t.record(stack.id)->items.first().position, QPointF(900, 700));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::restackWithoutPositionsOrAnythingLeftToGather()
{
    TestServices t;
    const DesktopStack stack =
        spreadStack(t, {{u"a.txt"_s, QPointF(100, 100)}, {u"b.txt"_s, QPointF(100, 200)}});
    t.desktop.setIcon(u"a.txt"_s, QPointF(900, 700));
    t.desktop.setMode(FakeDesktop::Mode::unreachable);
    t.manager().restack(stack.id, true);
    QCOMPARE(t.record(stack.id)->items.size(), 2);
    QCOMPARE(t.record(stack.id)->items.first().position, QPointF(100, 100));
    QVERIFY(t.alerts.shown.isEmpty());
    // A user who renamed a spread file on the Desktop gets it back under its new name.
    t.desktop.setMode(FakeDesktop::Mode::running);
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    QVERIFY(QFile::rename(t.desktopPath(u"b.txt"_s), t.desktopPath(u"c.txt"_s)));
    t.desktop.setIcon(u"c.txt"_s, QPointF(100, 200));
    t.manager().restack(stack.id, true);
    QCOMPARE(itemNames(*t.record(stack.id)), (QStringList{u"a.txt"_s, u"c.txt"_s}));

    // Everything moved away: the stack goes, with its folder, without a word.
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.desktop.setIcon(u"a.txt"_s, QPointF(700, 100));
    t.desktop.setIcon(u"c.txt"_s, QPointF(700, 200));
    t.manager().restack(stack.id, true);
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(!t.windows.window(stack.id));
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(t.alerts.shown.isEmpty());

    // The same with a file someone put into the folder meanwhile: the folder stays, and the
    // user is told.
    const DesktopStack second = spreadStack(t, {{u"d.txt"_s, QPointF(100, 100)}});
    t.invariant.addFile(u"Documents/.Tidora/"_s + *second.folderName + u"/dropped.txt"_s);
    t.desktop.setIcon(u"d.txt"_s, QPointF(700, 100));
    t.manager().restack(second.id, true);
    QVERIFY(t.manager().stacks().isEmpty());
    QCOMPARE(t.alerts.messages(), QStringList{u"Some files remain in "_s + t.stackFolder(second) +
                                              u". The folder was kept so they aren't lost."_s});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::gridStandsNextToTheWindowClearOfOthers()
{
    TestServices t;
    QStringList names;
    for (int i = 0; i < 6; ++i) {
        names.append(u"f%1.txt"_s.arg(i));
        t.addDesktopFile(names.last(), QPointF(300 + 10 * i, 300));
    }
    // An icon of another file right of where the window will stand.
    t.addDesktopFile(u"other.txt"_s, QPointF(480, 330));
    const DesktopStack stack = *t.stack(names);
    t.manager().spread(stack.id, true);
    const DesktopStack spread = *t.record(stack.id);
    const QRectF window(stack.windowOrigin.x(), 800 - stack.windowOrigin.y() - 150, 140, 150);
    for (const StackItem& item : spread.items) {
        const QRectF cell(item.position - QPointF(50, 55), QSizeF(100, 110));
        QVERIFY(QRectF(0, 24, 1280, 776).contains(cell));
        QVERIFY(!cell.intersects(window));
        QVERIFY(!cell.intersects(QRectF(440, 285, 80, 90)));
    }
    // The icons land where the grid says, and stay there.
    t.scheduler.runUntilIdle();
    QCOMPARE(*t.desktop.icon(u"f5.txt"_s), spread.items.last().position);
    QCOMPARE(t.record(stack.id)->items.last().position, spread.items.last().position);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestSpreading::arrangeInGridSetsAtOnceAndRefreshesLater()
{
    TestServices t;
    const DesktopStack stack =
        spreadStack(t, {{u"a.txt"_s, QPointF(100, 100)}, {u"b.txt"_s, QPointF(900, 600)}});
    t.manager().arrangeInGrid(stack.id);
    QCOMPARE(operationsOf(t.desktop), (QStringList{u"desktopItems"_s, u"setDesktopPositions"_s}));
    const DesktopStack arranged = *t.record(stack.id);
    QCOMPARE(*t.desktop.icon(u"b.txt"_s), arranged.items.at(1).position);
    // One column of two.
    QCOMPARE(arranged.items.at(1).position - arranged.items.at(0).position, QPointF(0, 110));
    t.scheduler.runUntilIdle();
    QCOMPARE(operationsOf(t.desktop).last(), u"desktopPositions"_s);
    // A refresh the desktop does not answer keeps the record; the next one takes the icons.
    t.desktop.setIcon(u"a.txt"_s, QPointF(500, 500));
    t.desktop.fail(FakeDesktop::Operation::desktopPositions, BridgeError{u"no"_s, 1});
    t.manager().operations().spreader.refreshPositions(stack.id);
    QCOMPARE(t.record(stack.id)->items.first().position, arranged.items.at(0).position);
    t.desktop.clearFailures();
    t.manager().operations().spreader.refreshPositions(stack.id);
    QCOMPARE(t.record(stack.id)->items.first().position, QPointF(500, 500));
    QVERIFY(t.alerts.shown.isEmpty());
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
    // A window in the lower right corner: one column left of it, moved up onto the screen.
    grid = GridLayout::positions(2, QRectF(1130, 640, 140, 150), area, {});
    QCOMPARE(grid.first(), QPointF(1130 - m - 100 + 50, 800 - m - 220 + 55));
    // Nowhere free: the most columns at the top left of the area.
    grid = GridLayout::positions(2, window, area, {area});
    QCOMPARE(grid, (QList<QPointF>{QPointF(m + 50, 24 + m + 55), QPointF(m + 150, 24 + m + 55)}));
    // No screen, and no icons.
    QCOMPARE(GridLayout::positions(2, window, QRectF(), {}).size(), 2);
    QVERIFY(GridLayout::positions(0, window, area, {}).isEmpty());
}

QTEST_GUILESS_MAIN(TestSpreading)
#include "tst_spreading.moc"
