#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackManager.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestAddFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void droppedFilesJoinWithTheirPositions();
    void filesFromElsewhereLineUpNextToTheWindow();
    void whatMustNotJoinIsRefusedWithABeep();
    void droppingASpreadStacksOwnFileGathersIt();
    void failuresAreLoggedAndTheRestJoins();
    void fileFromAnotherDriveStaysThere();
    void folderThatCannotBeMadeIsReported();
};

void TestAddFiles::droppedFilesJoinWithTheirPositions()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"), QPointF(100, 100));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    t.addDesktopFile(QStringLiteral("b.txt"), QPointF(600, 400));
    // Already in the folder under that name.
    t.addDesktopFile(QStringLiteral("a.txt"), QPointF(650, 400));
    t.desktop.clearCalls();
    t.manager().addFiles(
        {t.desktopPath(QStringLiteral("b.txt")), t.desktopPath(QStringLiteral("a.txt"))}, stack.id);
    QCOMPARE(t.desktop.callTexts(), QStringList{QStringLiteral("desktopPositions b.txt, a.txt")});
    const DesktopStack added = *t.record(stack.id);
    QCOMPARE(
        TestServices::itemNames(added),
        (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("a 2.txt")}));
    QCOMPARE(added.items.at(1).position, QPointF(600, 400));
    QCOMPARE(added.items.at(2).position, QPointF(650, 400));
    QCOMPARE(t.windows.window(stack.id)->files.size(), 3);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAddFiles::filesFromElsewhereLineUpNextToTheWindow()
{
    TestServices t;
    t.invariant.allowPlace(QStringLiteral("Documents/inbox"));
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    const QString one = t.invariant.addFile(QStringLiteral("Documents/inbox/one.txt"));
    const QString two = t.invariant.addFile(QStringLiteral("Documents/inbox/two.txt"));
    t.desktop.clearCalls();
    t.manager().addFiles({one, two}, stack.id);
    // Nothing on the Desktop to ask about.
    QVERIFY(t.desktop.calls().isEmpty());
    const QPointF base(stack.windowOrigin.x() + 70, 800 - stack.windowOrigin.y() - 75);
    const DesktopStack added = *t.record(stack.id);
    QCOMPARE(added.items.at(1).position, base);
    QCOMPARE(added.items.at(2).position, base + QPointF(24, 24));
    QCOMPARE(t.namesIn(t.stackFolder(stack)),
             (QStringList{QStringLiteral("a.txt"), QStringLiteral("one.txt"),
                          QStringLiteral("two.txt")}));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAddFiles::whatMustNotJoinIsRefusedWithABeep()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    t.addDesktopFile(QStringLiteral(".dot"));
    // Its own file, a hidden one, and the places that hold the Desktop or the storage folder.
    const QString own = t.stackFolder(stack) + QStringLiteral("/a.txt");
    t.manager().addFiles({own, t.desktopPath(QStringLiteral(".dot")), t.home.desktop(),
                          t.home.home(), t.home.documents(), t.storageFolder(), t.home.dataRoot(),
                          QStringLiteral("/")},
                         stack.id);
    QCOMPARE(t.alerts.beeps, 1);
    QCOMPARE(t.record(stack.id)->items.size(), 1);
    // An unknown stack: nothing at all.
    t.manager().addFiles({t.desktopPath(QStringLiteral(".dot"))}, QUuid::createUuid());
    QCOMPARE(t.alerts.beeps, 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAddFiles::droppingASpreadStacksOwnFileGathersIt()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.txt"), QPointF(200, 100));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    // Dropped onto its own window, far from where it was: it still comes back.
    t.desktop.setIcon(QStringLiteral("a.txt"), QPointF(900, 600));
    t.manager().addFiles({t.desktopPath(QStringLiteral("a.txt"))}, stack.id);
    QCOMPARE(t.alerts.beeps, 0);
    const DesktopStack gathered = *t.record(stack.id);
    QCOMPARE(gathered.state, StackState::collapsed);
    QCOMPARE(gathered.items.size(), 2);
    QCOMPARE(t.namesIn(t.stackFolder(stack)),
             (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));

    // With a new file too: the new one joins, then all are gathered.
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.addDesktopFile(QStringLiteral("c.txt"), QPointF(300, 300));
    t.manager().addFiles(
        {t.desktopPath(QStringLiteral("b.txt")), t.desktopPath(QStringLiteral("c.txt"))}, stack.id);
    QCOMPARE(t.record(stack.id)->state, StackState::collapsed);
    QCOMPARE(t.namesIn(t.stackFolder(stack)).size(), 3);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAddFiles::failuresAreLoggedAndTheRestJoins()
{
    TestServices t;
    LogCapture log;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    t.addDesktopFile(QStringLiteral("b.txt"));
    t.addDesktopFile(QStringLiteral("c.txt"));
    t.fs.failMovesOf(QStringLiteral("b.txt"));
    const QString gone = t.desktopPath(QStringLiteral("gone.txt"));
    t.manager().addFiles({t.desktopPath(QStringLiteral("b.txt")), gone,
                          t.desktopPath(QStringLiteral("c.txt")),
                          t.desktopPath(QStringLiteral("c.txt"))},
                         stack.id);
    QCOMPARE(TestServices::itemNames(*t.record(stack.id)),
             (QStringList{QStringLiteral("a.txt"), QStringLiteral("c.txt")}));
    QCOMPARE(log.startingWith(QStringLiteral("Tidorama: could not add ")).size(), 2);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAddFiles::fileFromAnotherDriveStaysThere()
{
    // Dropped from a stick: it is never copied, so it cannot join; the next file still does.
    QTemporaryDir stick(QStringLiteral("/dev/shm/tidora-XXXXXX"));
    TestServices t;
    struct stat here, there;
    if (!stick.isValid() || ::stat(QFile::encodeName(t.home.home()).constData(), &here) != 0 ||
        ::stat(QFile::encodeName(stick.path()).constData(), &there) != 0 ||
        here.st_dev == there.st_dev)
        QSKIP("needs /dev/shm on another file system than the temporary folder");
    const QString outside = stick.filePath(QStringLiteral("holiday.jpg"));
    {
        QFile file(outside);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("only copy");
    }
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    t.addDesktopFile(QStringLiteral("b.txt"));
    LogCapture log;
    t.manager().addFiles({outside, t.desktopPath(QStringLiteral("b.txt"))}, stack.id);
    QCOMPARE(TestServices::itemNames(*t.record(stack.id)),
             (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    QCOMPARE(log.startingWith(QStringLiteral("Tidorama: could not add ") + outside).size(), 1);
    QCOMPARE(TempHome::read(outside), QByteArray("only copy"));
    QVERIFY(!QFileInfo::exists(t.stackFolder(stack) + QStringLiteral("/holiday.jpg")));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAddFiles::folderThatCannotBeMadeIsReported()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    t.addDesktopFile(QStringLiteral("b.txt"));
    // The stack folder was removed by hand and cannot be made again.
    QVERIFY(
        QFile::rename(t.stackFolder(stack), t.home.home() + QStringLiteral("/Desktop/moved away")));
    t.fs.failMakeFolder([](const QString&) { return true; });
    t.manager().addFiles({t.desktopPath(QStringLiteral("b.txt"))}, stack.id);
    QCOMPARE(t.alerts.messages(), QStringList{FaultyFileSystem::injected});
    QVERIFY(QFile::exists(t.desktopPath(QStringLiteral("b.txt"))));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestAddFiles)
#include "tst_addfiles.moc"
