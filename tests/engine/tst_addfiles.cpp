#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackManager.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAddFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void droppedFilesJoinWithTheirPositions();
    void whatMustNotJoinIsRefusedWithABeep();
    void droppingASpreadStacksOwnFileGathersIt();
    void failuresAreLoggedAndTheRestJoins();
};

void TestAddFiles::droppedFilesJoinWithTheirPositions()
{
    TestServices t;
    t.addDesktopFile(u"a.txt"_s, QPointF(100, 100));
    const DesktopStack stack = *t.stack({u"a.txt"_s});
    t.addDesktopFile(u"b.txt"_s, QPointF(600, 400));
    // Already in the folder under that name.
    t.addDesktopFile(u"a.txt"_s, QPointF(650, 400));
    t.desktop.clearCalls();
    t.manager().addFiles({t.desktopPath(u"b.txt"_s), t.desktopPath(u"a.txt"_s)}, stack.id);
    QCOMPARE(t.desktop.callTexts(), QStringList{u"desktopPositions b.txt, a.txt"_s});
    const DesktopStack added = *t.record(stack.id);
    QCOMPARE(TestServices::itemNames(added), (QStringList{u"a.txt"_s, u"b.txt"_s, u"a 2.txt"_s}));
    QCOMPARE(added.items.at(1).position, QPointF(600, 400));
    QCOMPARE(added.items.at(2).position, QPointF(650, 400));
    QCOMPARE(t.windows.window(stack.id)->files.size(), 3);

    // Files from elsewhere have no icon to ask about: they line up next to the window.
    t.invariant.allowPlace(u"Documents/inbox"_s);
    const QString one = t.invariant.addFile(u"Documents/inbox/one.txt"_s);
    const QString two = t.invariant.addFile(u"Documents/inbox/two.txt"_s);
    t.desktop.clearCalls();
    t.manager().addFiles({one, two}, stack.id);
    QVERIFY(t.desktop.calls().isEmpty());
    const QPointF base(stack.windowOrigin.x() + 70, 800 - stack.windowOrigin.y() - 75);
    QCOMPARE(t.record(stack.id)->items.at(3).position, base);
    QCOMPARE(t.record(stack.id)->items.at(4).position, base + QPointF(24, 24));
    QCOMPARE(t.namesIn(t.stackFolder(stack)).size(), 5);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAddFiles::whatMustNotJoinIsRefusedWithABeep()
{
    TestServices t;
    const DesktopStack stack = t.stackNew({u"a.txt"_s});
    t.addDesktopFile(u".dot"_s);
    // Its own file, a hidden one, and the places that hold the Desktop or the storage folder.
    const QString own = t.stackFolder(stack) + u"/a.txt"_s;
    t.manager().addFiles({own, t.desktopPath(u".dot"_s), t.home.desktop(), t.home.home(),
                          t.home.documents(), t.storageFolder(), t.home.dataRoot(), u"/"_s},
                         stack.id);
    QCOMPARE(t.alerts.beeps, 1);
    QCOMPARE(t.record(stack.id)->items.size(), 1);
    // An unknown stack: nothing at all.
    t.manager().addFiles({t.desktopPath(u".dot"_s)}, QUuid::createUuid());
    QCOMPARE(t.alerts.beeps, 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAddFiles::droppingASpreadStacksOwnFileGathersIt()
{
    TestServices t;
    t.addDesktopFile(u"a.txt"_s, QPointF(100, 100));
    t.addDesktopFile(u"b.txt"_s, QPointF(200, 100));
    const DesktopStack stack = *t.stack({u"a.txt"_s, u"b.txt"_s});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    // Dropped onto its own window, far from where it was: it still comes back.
    t.desktop.setIcon(u"a.txt"_s, QPointF(900, 600));
    t.manager().addFiles({t.desktopPath(u"a.txt"_s)}, stack.id);
    QCOMPARE(t.alerts.beeps, 0);
    const DesktopStack gathered = *t.record(stack.id);
    QCOMPARE(gathered.state, StackState::collapsed);
    QCOMPARE(gathered.items.size(), 2);
    QCOMPARE(t.namesIn(t.stackFolder(stack)), (QStringList{u"a.txt"_s, u"b.txt"_s}));

    // With a new file too: the new one joins, then all are gathered.
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.addDesktopFile(u"c.txt"_s, QPointF(300, 300));
    t.manager().addFiles({t.desktopPath(u"b.txt"_s), t.desktopPath(u"c.txt"_s)}, stack.id);
    QCOMPARE(t.record(stack.id)->state, StackState::collapsed);
    QCOMPARE(t.namesIn(t.stackFolder(stack)).size(), 3);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAddFiles::failuresAreLoggedAndTheRestJoins()
{
    TestServices t;
    LogCapture log;
    const DesktopStack stack = t.stackNew({u"a.txt"_s});
    t.addDesktopFiles({u"b.txt"_s, u"c.txt"_s});
    t.fs.failMovesOf(u"b.txt"_s);
    const QString gone = t.desktopPath(u"gone.txt"_s);
    t.manager().addFiles(
        {t.desktopPath(u"b.txt"_s), gone, t.desktopPath(u"c.txt"_s), t.desktopPath(u"c.txt"_s)},
        stack.id);
    QCOMPARE(TestServices::itemNames(*t.record(stack.id)), (QStringList{u"a.txt"_s, u"c.txt"_s}));
    QCOMPARE(log.startingWith(u"Tidorama: could not add "_s).size(), 2);

    // The stack folder was removed by hand and cannot be made again: the user is told.
    t.fs.clearFailures();
    QVERIFY(QFile::rename(t.stackFolder(stack), t.home.home() + u"/Desktop/moved away"_s));
    t.fs.failMakeFolder([](const QString&) { return true; });
    const qsizetype told = t.alerts.messages().size();
    t.manager().addFiles({t.desktopPath(u"b.txt"_s)}, stack.id);
    QCOMPARE(t.alerts.messages().mid(told), QStringList{FaultyFileSystem::injected});
    QVERIFY(QFile::exists(t.desktopPath(u"b.txt"_s)));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestAddFiles)
#include "tst_addfiles.moc"
