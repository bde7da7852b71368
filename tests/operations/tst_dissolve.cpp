#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackManager.h"
#include "engine/StackSelection.h"
#include "engine/StackWindows.h"
#include "operations/Dissolver.h"
#include "operations/StackRemoval.h"
#include "operations/UndoState.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

using std::chrono::milliseconds;

class TestDissolve : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dissolveAllAsksThenPutsEveryFileBackFirst();
    void menuDissolvesTheSelectionInListOrder();
    void leftoversKeepTheFolderAndAreReported();
    void removingForgetsRecordWindowAndSelection();
};

void TestDissolve::dissolveAllAsksThenPutsEveryFileBackFirst()
{
    TestServices t;
    t.manager().dissolveAll();
    QCOMPARE(t.alerts.beeps, 1);
    QList<DesktopStack> stacks;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        t.addDesktopFile(QString::fromUtf8(name));
        stacks.append(*t.stack({QString::fromUtf8(name)}));
    }
    t.alerts.answer(u"Cancel"_s);
    t.manager().dissolveAll();
    QCOMPARE(t.alerts.shown.last().message, u"Dissolve all 3 stacks?"_s);
    t.scheduler.runUntilIdle();
    QCOMPARE(t.manager().stacks().size(), 3);

    t.alerts.answer(u"Dissolve"_s);
    t.manager().dissolveAll();
    // Every file is back before the first window starts to vanish.
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        QVERIFY(QFile::exists(t.desktopPath(QString::fromUtf8(name))));
    QCOMPARE(t.manager().stacks().size(), 3);
    // One is removed by something else before its turn comes: it is skipped.
    t.scheduler.advance(milliseconds(0));
    t.manager().operations().removal.removeStack(stacks.last().id, true);
    t.scheduler.runUntilIdle();
    QVERIFY(t.manager().stacks().isEmpty());
    QCOMPARE(t.alerts.shown.size(), 2);
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(!t.manager().undoState().hasStacks());
    QVERIFY(t.alerts.problems.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestDissolve::menuDissolvesTheSelectionInListOrder()
{
    TestServices t;
    QList<QUuid> ids;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        t.addDesktopFile(QString::fromUtf8(name));
        ids.append(t.stack({QString::fromUtf8(name)})->id);
    }
    StackManager& m = t.manager();
    m.selection().select({ids.at(2), ids.at(0), ids.at(1)});
    QCOMPARE(m.operations().dissolver.targetsOfWindowCommand(ids.at(1)),
             (QList<QUuid>{ids.at(0), ids.at(1), ids.at(2)}));
    QCOMPARE(m.operations().dissolver.targetsOfWindowCommand(ids.at(3)), QList<QUuid>{ids.at(3)});
    m.operations().dissolver.dissolveFromMenu(ids.at(3));
    QCOMPARE(m.stacks().size(), 3);
    m.operations().dissolver.dissolveFromMenu(ids.at(2));
    QVERIFY(m.stacks().isEmpty());
    QVERIFY(m.selection().selected().isEmpty());
    QVERIFY(t.alerts.shown.isEmpty());
    t.scheduler.runUntilIdle();
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        QVERIFY(QFile::exists(t.desktopPath(QString::fromUtf8(name))));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestDissolve::leftoversKeepTheFolderAndAreReported()
{
    TestServices t;
    LogCapture log;
    t.addDesktopFile(u"stuck.txt"_s);
    t.addDesktopFile(u"free.txt"_s);
    const DesktopStack stack = *t.stack({u"stuck.txt"_s, u"free.txt"_s});
    t.fs.failMovesOf(u"stuck.txt"_s);
    FakeStackWindow* window = t.windows.window(stack.id);
    t.manager().operations().dissolver.dissolveAfterAnimation(stack.id);
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(window->closed);
    const QString folder = t.stackFolder(stack);
    QCOMPARE(t.namesIn(folder), QStringList{u"stuck.txt"_s});
    // One alert: how many stayed, where, and why.
    QCOMPARE(t.alerts.messages(),
             QStringList{u"1 of 2 files was not moved to the Desktop. It is still in "_s + folder +
                         u": Injected failure."_s});
    TIDORA_CHECK_INVARIANT(t.invariant);

    // A folder holding only ".DS_Store" goes, and with it the empty storage folder.
    t.fs.clearFailures();
    t.addDesktopFile(u"x.txt"_s);
    const DesktopStack other = *t.stack({u"x.txt"_s});
    // The user takes the leftover out and removes its folder.
    QVERIFY(QFile::rename(folder + u"/stuck.txt"_s, t.desktopPath(u"stuck.txt"_s)));
    QVERIFY(QDir().rmdir(folder));
    t.home.write(u"Documents/.Tidora/"_s + *other.folderName + u"/.DS_Store"_s);
    t.manager().operations().dissolver.dissolveFromMenu(other.id);
    QCOMPARE(t.alerts.shown.size(), 1);
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestDissolve::removingForgetsRecordWindowAndSelection()
{
    TestServices t;
    t.addDesktopFile(u"a.txt"_s);
    t.addDesktopFile(u"b.txt"_s);
    const DesktopStack a = *t.stack({u"a.txt"_s});
    const DesktopStack b = *t.stack({u"b.txt"_s});
    StackManager& m = t.manager();
    m.selection().select({a.id, b.id});
    t.manager().spread(a.id, false);
    m.operations().removal.removeStack(a.id, true);
    QCOMPARE(m.stacks().size(), 1);
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), m.stacks());
    QCOMPARE(m.selection().selected(), QSet<QUuid>{b.id});
    QVERIFY(t.windows.window(b.id)->isSelected);
    QVERIFY(!m.windows().window(a.id));
    // Removing what is not there only saves.
    m.operations().removal.removeStack(QUuid::createUuid(), true);
    QCOMPARE(m.stacks().size(), 1);
    QVERIFY(QFileInfo::exists(t.storageFolder()));
    t.scheduler.runUntilIdle();
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestDissolve)
#include "tst_dissolve.moc"
