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

using namespace Qt::StringLiterals;

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
    void workRunsOneAtATimeUntilItsLastTaskIsDone();
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

void TestUndoState::workRunsOneAtATimeUntilItsLastTaskIsDone()
{
    TestServices t;
    StackManager& m = t.manager();
    QStringList ran;
    m.runAsWork([&](WorkToken) { ran.append(u"first"_s); });
    QVERIFY(m.undoState().isWorking());
    QCOMPARE(m.undoState().menuBarIcon()->frame(), 0);
    m.runAsWork([&](WorkToken) { ran.append(u"dropped"_s); });
    t.scheduler.runUntilIdle();
    QCOMPARE(ran, QStringList{u"first"_s});
    QCOMPARE(m.undoState().menuBarIcon()->frame(), MenuBarIcon::idleFrame);

    // Stacking the selection waits for its background query: the work lasts until then, and
    // new work is taken again once it is over.
    t.addDesktopFile(u"a.txt"_s);
    t.desktop.select({t.desktopPath(u"a.txt"_s)});
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

    // A task that waits on the scheduler keeps the work going until it has run, or until its
    // context goes and the task is dropped when it falls due.
    m.runAsWork([&](WorkToken token) { t.scheduler.after(milliseconds(500), &m, [token] {}); });
    t.scheduler.advance(milliseconds(300));
    QVERIFY(m.undoState().isWorking());
    t.scheduler.advance(milliseconds(300));
    QVERIFY(!m.undoState().isWorking());
    auto context = std::make_unique<QObject>();
    m.runAsWork(
        [&](WorkToken token) { t.scheduler.after(milliseconds(500), context.get(), [token] {}); });
    t.scheduler.advance(milliseconds(100));
    context.reset();
    t.scheduler.advance(milliseconds(500));
    QVERIFY(!m.undoState().isWorking());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestUndoState::selectionFlagFollowsTheDesktop()
{
    TestServices t;
    StackManager& m = t.manager();
    t.addDesktopFile(u"a.txt"_s);
    t.desktop.select({t.desktopPath(u"a.txt"_s)});
    m.operations().selectionFlag.refresh();
    QVERIFY(!m.undoState().hasSelection());
    t.scheduler.runUntilIdle();
    QVERIFY(m.undoState().hasSelection());
    QCOMPARE(t.desktop.callTexts(), QStringList{u"selectedFiles"_s});
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
    QTest::newRow("spaces") << u"   "_s << u"Old"_s;
    QTest::newRow("tabs") << u"\t Work\t"_s << u"Work"_s;
    QTest::newRow("line breaks kept") << u"\nA b\n "_s << u"\nA b\n"_s;
    QTest::newRow("hostile") << u"a/b:\"c\"\\"_s << u"a/b:\"c\"\\"_s;
}

void TestUndoState::renameTrimsSpacesAndTabsOnly()
{
    QFETCH(QString, typed);
    QFETCH(QString, name);
    TestServices t;
    const DesktopStack stack = t.stackNew({u"a.txt"_s}, u"Old"_s);
    t.alerts.answer(ScriptedAlerts::Reply{u"Rename"_s, false, typed});
    t.manager().operations().renamer.renameStack(stack.id);
    QCOMPARE(t.record(stack.id)->name, name);
    QCOMPARE(t.record(stack.id)->folderName, u"Old"_s);
    QCOMPARE(t.windows.window(stack.id)->record.name, name);
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList().first().name, name);
}

void TestUndoState::renameAsksAndKeepsTheFolder()
{
    TestServices t;
    const DesktopStack stack = t.stackNew({u"a.txt"_s}, u"Old"_s);
    t.alerts.answer(ScriptedAlerts::Reply{u"Cancel"_s, false, u"New"_s});
    t.manager().operations().renamer.renameStack(stack.id);
    QCOMPARE(t.alerts.shown.first().textField, std::optional<QString>(u"Old"_s));
    QCOMPARE(t.record(stack.id)->name, u"Old"_s);

    // The stack is dissolved while the dialog is open: renaming must not bring it back.
    t.alerts.answerAll([&](const Alert&) {
        t.manager().operations().dissolver.dissolveFromMenu(stack.id);
        return ScriptedAlerts::Reply{u"Rename"_s, false, u"New"_s};
    });
    t.manager().operations().renamer.renameStack(stack.id);
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(QFile::exists(t.desktopPath(u"a.txt"_s)));
    // An unknown stack asks nothing.
    const qsizetype shown = t.alerts.shown.size();
    t.manager().operations().renamer.renameStack(QUuid::createUuid());
    QCOMPARE(t.alerts.shown.size(), shown);
    t.scheduler.runUntilIdle();
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestUndoState)
#include "tst_undostate.moc"
