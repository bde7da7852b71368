#include "TestServices.h"
#include "VirtualScheduler.h"
#include "engine/StackManager.h"
#include "operations/Dissolver.h"
#include "operations/MenuBarIcon.h"
#include "operations/SelectionFlag.h"
#include "operations/StackRenamer.h"
#include "operations/UndoState.h"
#include "store/StackListFile.h"

#include <QFile>
#include <QTest>

using std::chrono::milliseconds;

namespace {

DesktopStack stackIn(StackState state)
{
    DesktopStack stack;
    stack.id = QUuid::createUuid();
    stack.state = state;
    return stack;
}

} // namespace

class TestUndoState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stackFlagsFollowTheList();
    void workIsDroppedWhileWorkRuns();
    void workEndsWhenItsLastTaskIsDone();
    void droppedTasksEndTheWork();
    void selectionFlagFollowsTheDesktop();
    void renameTrimsSpacesAndTabsOnly_data();
    void renameTrimsSpacesAndTabsOnly();
    void renameAsksAndKeepsTheFolder();
};

void TestUndoState::stackFlagsFollowTheList()
{
    VirtualScheduler scheduler;
    UndoState state(scheduler);
    state.recomputeStackFlags({stackIn(StackState::collapsed)});
    QVERIFY(state.hasStacks() && state.hasStacked() && !state.hasSpread());
    state.recomputeStackFlags({stackIn(StackState::collapsed), stackIn(StackState::expanded)});
    QVERIFY(state.hasStacked() && state.hasSpread());
    state.recomputeStackFlags({});
    QVERIFY(!state.hasStacks() && !state.hasStacked() && !state.hasSpread());
}

void TestUndoState::workIsDroppedWhileWorkRuns()
{
    TestServices t;
    StackManager& m = t.manager();
    QStringList ran;
    m.runAsWork([&](WorkToken) { ran.append(QStringLiteral("first")); });
    QVERIFY(m.undoState().isWorking());
    QCOMPARE(m.undoState().menuBarIcon()->frame(), 0);
    m.runAsWork([&](WorkToken) { ran.append(QStringLiteral("dropped")); });
    QVERIFY(ran.isEmpty());
    t.scheduler.runUntilIdle();
    QCOMPARE(ran, QStringList{QStringLiteral("first")});
    QVERIFY(!m.undoState().isWorking());
    QCOMPARE(m.undoState().menuBarIcon()->frame(), MenuBarIcon::idleFrame);
    // Once it is over, new work is taken again.
    m.runAsWork([&](WorkToken) { ran.append(QStringLiteral("again")); });
    t.scheduler.runUntilIdle();
    QCOMPARE(ran.size(), 2);
}

void TestUndoState::workEndsWhenItsLastTaskIsDone()
{
    TestServices t;
    StackManager& m = t.manager();
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.desktop.select({t.desktopPath(QStringLiteral("a.txt"))});
    // Stacking the selection waits for its background query: the work lasts until then.
    bool workingAfterStart = false;
    qsizetype stacksWhenDone = -1;
    connect(&m.undoState(), &UndoState::isWorkingChanged, this, [&](bool working) {
        if (!working)
            stacksWhenDone = m.stacks().size();
    });
    m.runAsWork([&](WorkToken token) {
        m.stackSelection(std::move(token));
        workingAfterStart = m.undoState().isWorking();
    });
    t.scheduler.runUntilIdle();
    QVERIFY(workingAfterStart);
    QCOMPARE(stacksWhenDone, 1);
    QVERIFY(!m.undoState().isWorking());

    // A task that waits on the scheduler keeps the work going until it has run.
    m.runAsWork([&](WorkToken token) { t.scheduler.after(milliseconds(500), &m, [token] {}); });
    t.scheduler.advance(milliseconds(300));
    QVERIFY(m.undoState().isWorking());
    t.scheduler.advance(milliseconds(300));
    QVERIFY(!m.undoState().isWorking());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestUndoState::droppedTasksEndTheWork()
{
    TestServices t;
    StackManager& m = t.manager();
    auto context = std::make_unique<QObject>();
    m.runAsWork(
        [&](WorkToken token) { t.scheduler.after(milliseconds(500), context.get(), [token] {}); });
    t.scheduler.advance(milliseconds(100));
    QVERIFY(m.undoState().isWorking());
    // The task's context goes: the task is dropped when it falls due, and the work with it.
    context.reset();
    t.scheduler.advance(milliseconds(500));
    QVERIFY(!m.undoState().isWorking());
}

void TestUndoState::selectionFlagFollowsTheDesktop()
{
    TestServices t;
    StackManager& m = t.manager();
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.desktop.select({t.desktopPath(QStringLiteral("a.txt"))});
    m.operations().selectionFlag.refresh();
    QVERIFY(!m.undoState().hasSelection());
    t.scheduler.runUntilIdle();
    QVERIFY(m.undoState().hasSelection());
    QCOMPARE(t.desktop.callTexts(), QStringList{QStringLiteral("selectedFiles")});
    // Every opening clears it until the answer comes.
    t.desktop.select({});
    m.operations().selectionFlag.refresh();
    QVERIFY(!m.undoState().hasSelection());
    t.scheduler.runUntilIdle();
    QVERIFY(!m.undoState().hasSelection());
    // A Desktop that cannot be asked leaves the item enabled.
    t.desktop.setMode(FakeDesktop::Mode::unreachable);
    m.operations().selectionFlag.refresh();
    t.scheduler.runUntilIdle();
    QVERIFY(m.undoState().hasSelection());
    QVERIFY(t.alerts.shown.isEmpty());
}

void TestUndoState::renameTrimsSpacesAndTabsOnly_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces") << QStringLiteral("   ") << QStringLiteral("Old");
    QTest::newRow("tabs") << QStringLiteral("\t Work\t") << QStringLiteral("Work");
    QTest::newRow("line breaks kept") << QStringLiteral("\nA b\n ") << QStringLiteral("\nA b\n");
    QTest::newRow("hostile") << QStringLiteral("a/b:\"c\"\\") << QStringLiteral("a/b:\"c\"\\");
}

void TestUndoState::renameTrimsSpacesAndTabsOnly()
{
    QFETCH(QString, typed);
    QFETCH(QString, name);
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")}, QStringLiteral("Old"));
    t.alerts.answer(ScriptedAlerts::Reply{QStringLiteral("Rename"), false, typed});
    t.manager().operations().renamer.renameStack(stack.id);
    QCOMPARE(t.record(stack.id)->name, name);
    QCOMPARE(t.record(stack.id)->folderName, QStringLiteral("Old"));
    QCOMPARE(t.windows.window(stack.id)->record.name, name);
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList().first().name, name);
}

void TestUndoState::renameAsksAndKeepsTheFolder()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")}, QStringLiteral("Old"));
    t.alerts.answer(ScriptedAlerts::Reply{QStringLiteral("Cancel"), false, QStringLiteral("New")});
    t.manager().operations().renamer.renameStack(stack.id);
    QCOMPARE(t.alerts.shown.first().textField, std::optional<QString>(QStringLiteral("Old")));
    QCOMPARE(t.record(stack.id)->name, QStringLiteral("Old"));

    // The stack is dissolved while the dialog is open: renaming must not bring it back.
    t.alerts.answerAll([&](const Alert&) {
        t.manager().operations().dissolver.dissolveFromMenu(stack.id);
        return ScriptedAlerts::Reply{QStringLiteral("Rename"), false, QStringLiteral("New")};
    });
    t.manager().operations().renamer.renameStack(stack.id);
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(QFile::exists(t.desktopPath(QStringLiteral("a.txt"))));
    // An unknown stack asks nothing.
    const qsizetype shown = t.alerts.shown.size();
    t.manager().operations().renamer.renameStack(QUuid::createUuid());
    QCOMPARE(t.alerts.shown.size(), shown);
    t.scheduler.runUntilIdle();
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestUndoState)
#include "tst_undostate.moc"
