#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackFiles.h"
#include "engine/StackManager.h"
#include "engine/Stacker.h"
#include "operations/UndoState.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>

#include <sys/stat.h>

namespace {

QStringList itemNames(const DesktopStack& stack)
{
    return TestServices::itemNames(stack);
}

// A record of these Desktop files, not yet gathered.
DesktopStack recordOf(TestServices& t, const QString& folder, const QStringList& names)
{
    DesktopStack stack;
    stack.id = QUuid::createUuid();
    stack.name = folder;
    stack.folderName = folder;
    for (const QString& name : names)
        stack.items.append(
            StackItem{QUuid::createUuid(), name, *t.bookmarks().make(t.desktopPath(name)), {}});
    return stack;
}

} // namespace

class TestStacking : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storeStackReplacesSavesAndShows();
    void namesFollowTheKinds();
    void stackingMovesFilesAndRecordsThem();
    void filesThatMustNotBeStackedAreLeftAlone();
    void nameTakenInTheFolderGetsANumber();
    void folderNameOfASpreadStackStaysItsOwn();
    void failedMovesLeaveTheFilesAndAreToldOnce();
    void folderThatCannotBeMadeIsReported();
    void vanishedAndReplacedFilesLoseNothing();
    void crossDeviceMoveLeavesTheFile();
    void aFileBelongsToOneStackOnly();
    void failedSaveIsToldOnce();
    void linksAreStackedAsLinks();
    void selectionIsOneQueryAndReportsFailures();
};

void TestStacking::storeStackReplacesSavesAndShows()
{
    TestServices t;
    StackManager& manager = t.manager();
    t.addDesktopFile(QStringLiteral("a.txt"));
    DesktopStack stack = recordOf(t, QStringLiteral("Notes"), {QStringLiteral("a.txt")});
    stack.windowOrigin = QPointF(300, 200);
    manager.storeStack(stack);
    QVERIFY(manager.undoState().hasStacked() && !manager.undoState().hasSpread());
    QCOMPARE(t.windows.window(stack.id)->frameOrigin(), QPointF(300, 200));

    // Same id: replaced, not appended, the window reused, the flags recomputed, saved at once.
    stack.name = QStringLiteral("Renamed");
    stack.state = StackState::expanded;
    manager.storeStack(stack);
    QCOMPARE(manager.stacks(), QList<DesktopStack>{stack});
    QVERIFY(manager.undoState().hasSpread() && !manager.undoState().hasStacked());
    QCOMPARE(t.windows.created, 1);
    QCOMPARE(t.windows.window(stack.id)->record.name, QStringLiteral("Renamed"));
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), manager.stacks());
}

void TestStacking::namesFollowTheKinds()
{
    TestServices t;
    const auto nameOf = [&t](const QStringList& names) {
        QStringList paths;
        for (const QString& name : names)
            paths.append(t.home.write(QStringLiteral("Desktop/") + name, "x"));
        return t.manager().operations().stacker.defaultStackName(paths);
    };
    QCOMPARE(nameOf({QStringLiteral("Screenshot 1.png"), QStringLiteral("Screenshot 2.png"),
                     QStringLiteral("Screenshot 3.png")}),
             QStringLiteral("3 Screenshots"));
    QCOMPARE(nameOf({QStringLiteral("report.pdf")}), QStringLiteral("1 PDF"));
    QCOMPARE(nameOf({QStringLiteral("A.PNG"), QStringLiteral("b.png")}),
             QStringLiteral("2 Images"));
    // Written decomposed, as some programs write names.
    QCOMPARE(
        nameOf({QStringLiteral("Sni\u0301mek obrazovky.png"), QStringLiteral("Screenshot 5.png")}),
        QStringLiteral("2 Screenshots"));
    // Mixed kinds, and a folder among images, are numbered after the stacks there are.
    QCOMPARE(nameOf({QStringLiteral("x.pdf"), QStringLiteral("photo.jpg")}),
             QStringLiteral("Stack 1"));
    t.home.makeFolder(QStringLiteral("Desktop/album.png"));
    t.addDesktopFile(QStringLiteral("notes"));
    QCOMPARE(t.stack({QStringLiteral("notes")})->name, QStringLiteral("Stack 1"));
    QCOMPARE(
        t.manager().operations().stacker.defaultStackName(
            {t.desktopPath(QStringLiteral("album.png")), t.desktopPath(QStringLiteral("b.png"))}),
        QStringLiteral("Stack 2"));
    // A given name wins.
    t.addDesktopFile(QStringLiteral("y.pdf"));
    QCOMPARE(t.stack({QStringLiteral("y.pdf")}, QStringLiteral("Mine"))->name,
             QStringLiteral("Mine"));
}

void TestStacking::stackingMovesFilesAndRecordsThem()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.pdf"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.pdf"), QPointF(200, 300));
    const DesktopStack stack = *t.stack({QStringLiteral("a.pdf"), QStringLiteral("b.pdf")});

    QCOMPARE(stack.folderName, QStringLiteral("2 PDFs"));
    QCOMPARE(stack.state, StackState::collapsed);
    // Centred on the icons' centre (150, 200): Desktop y 200 is screen y 600.
    QCOMPARE(stack.windowOrigin, QPointF(150 - 70, 800 - 200 - 75));
    QCOMPARE(stack.items.at(1).position, QPointF(200, 300));
    const QString folder = t.storageFolder() + QStringLiteral("/2 PDFs");
    QCOMPARE(t.namesIn(folder), (QStringList{QStringLiteral("a.pdf"), QStringLiteral("b.pdf")}));
    QCOMPARE(t.manager().operations().files.resolvedItems(stack).value(0),
             folder + QStringLiteral("/a.pdf"));
    QVERIFY(QFile::exists(t.storageFolder() + QStringLiteral("/README.txt")));
    QVERIFY(t.guard.calls.contains(QStringLiteral("protect ") + folder));
    // A second stack of the same name gets its own folder.
    t.addDesktopFile(QStringLiteral("c.pdf"));
    t.addDesktopFile(QStringLiteral("d.pdf"));
    QCOMPARE(t.stack({QStringLiteral("c.pdf"), QStringLiteral("d.pdf")})->folderName,
             QStringLiteral("2 PDFs 2"));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::filesThatMustNotBeStackedAreLeftAlone()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral(".secret"));
    t.addDesktopFile(QStringLiteral("listed.txt"));
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.home.write(QStringLiteral("Desktop/.hidden"), "listed.txt\n");
    QVERIFY(t.folders.ensureStorageFolder());
    QList<DesktopFile> files =
        t.desktopFiles({QStringLiteral(".secret"), QStringLiteral("listed.txt")});
    // The storage folder itself is never stacked.
    files.append(DesktopFile{t.storageFolder(), std::nullopt});
    t.manager().stackFiles(files, std::nullopt, QPointF());
    QCOMPARE(t.alerts.beeps, 1);
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(t.firstRun.calls.isEmpty());

    // The hidden list is read again by each operation: a file listed after it was selected
    // stays.
    t.desktop.select({t.desktopPath(QStringLiteral("a.txt"))});
    const QList<DesktopFile> selection = t.desktop.selectedFiles().value();
    t.home.write(QStringLiteral("Desktop/.hidden"), "a.txt\n");
    t.manager().stackFiles(selection, std::nullopt, QPointF());
    QCOMPARE(t.alerts.beeps, 2);
    QVERIFY(QFile::exists(t.desktopPath(QStringLiteral("a.txt"))));
    t.home.write(QStringLiteral("Desktop/.hidden"), "");
    QCOMPARE(itemNames(*t.stack({QStringLiteral("listed.txt")})),
             QStringList{QStringLiteral("listed.txt")});

    // A name that is not UTF-8 (how it reads; there is no such path) is told, not skipped.
    const DesktopFile odd{t.desktopPath(QStringLiteral("odd\uFFFD.txt")), std::nullopt, true};
    files = t.desktopFiles({QStringLiteral("a.txt")});
    files.append(odd);
    t.manager().stackFiles(files, std::nullopt, QPointF(0, 0));
    QCOMPARE(itemNames(t.manager().stacks().last()), QStringList{QStringLiteral("a.txt")});
    QCOMPARE(t.alerts.messages().size(), 1);
    QVERIFY(t.alerts.messages().first().startsWith(
        QStringLiteral("This file cannot be stacked: \u201Codd\uFFFD.txt\u201D.")));
    // Alone, it is told rather than beeped at.
    t.manager().stackFiles({odd}, std::nullopt, QPointF(0, 0));
    QCOMPARE(t.alerts.messages().size(), 2);
    QCOMPARE(t.alerts.beeps, 2);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::nameTakenInTheFolderGetsANumber()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("report.pdf"));
    t.addDesktopFile(QStringLiteral("notes"));
    // Left in the folder by an earlier failure.
    t.invariant.addFile(QStringLiteral("Documents/.Tidora/Stack 1/report.pdf"));
    t.invariant.addFile(QStringLiteral("Documents/.Tidora/Stack 1/notes"));
    DesktopStack stack = recordOf(t, QStringLiteral("Stack 1"),
                                  {QStringLiteral("report.pdf"), QStringLiteral("notes")});
    QVERIFY(t.manager().operations().stacker.gatherIntoFolder(stack));
    QCOMPARE(itemNames(stack),
             (QStringList{QStringLiteral("report 2.pdf"), QStringLiteral("notes 2")}));
    QVERIFY(QFile::exists(t.storageFolder() + QStringLiteral("/Stack 1/report 2.pdf")));

    // A name taken in the folder after it was read (another program writing there): the next
    // free number, and nothing replaced.
    t.addDesktopFile(QStringLiteral("late.txt"));
    stack.items = recordOf(t, QString(), {QStringLiteral("late.txt")}).items;
    const QString inFolder = t.storageFolder() + QStringLiteral("/Stack 1/late.txt");
    t.fs.failMoves([&](const QString&, const QString& to) {
        if (to == inFolder && !QFile::exists(inFolder))
            t.invariant.addFile(QStringLiteral("Documents/.Tidora/Stack 1/late.txt"));
        return false;
    });
    QVERIFY(t.manager().operations().stacker.gatherIntoFolder(stack));
    QCOMPARE(t.manager().operations().files.resolvedFiles(stack),
             QStringList{t.storageFolder() + QStringLiteral("/Stack 1/late 2.txt")});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::folderNameOfASpreadStackStaysItsOwn()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.txt"), QPointF(300, 100));
    const DesktopStack first = *t.stack({QStringLiteral("a.txt")}, QStringLiteral("Photos"));
    t.manager().spread(first.id, false);
    t.scheduler.runUntilIdle();
    // The user removed the spread stack's empty folder; the name is still the stack's.
    QVERIFY(QDir().rmdir(t.stackFolder(first)));
    const DesktopStack second = *t.stack({QStringLiteral("b.txt")}, QStringLiteral("Photos"));
    QCOMPARE(second.folderName, std::optional<QString>(QStringLiteral("Photos 2")));
    t.manager().restack(first.id, false);
    t.scheduler.runUntilIdle();
    QCOMPARE(t.namesIn(t.stackFolder(first)), QStringList{QStringLiteral("a.txt")});
    QCOMPARE(t.namesIn(t.stackFolder(second)), QStringList{QStringLiteral("b.txt")});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::failedMovesLeaveTheFilesAndAreToldOnce()
{
    TestServices t;
    LogCapture log;
    t.addDesktopFile(QStringLiteral("a.pdf"));
    t.addDesktopFile(QStringLiteral("b.pdf"));
    t.fs.failMoves([](const QString&, const QString&) { return true; });
    QVERIFY(!t.stack({QStringLiteral("a.pdf"), QStringLiteral("b.pdf")}));
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(t.windows.windows().isEmpty());
    // Neither the stack folder nor the storage folder (with its README) stays behind.
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QCOMPARE(log.startingWith(QStringLiteral("Tidorama: could not stack ")).size(), 2);
    QCOMPARE(t.alerts.messages(),
             QStringList{QStringLiteral("2 of 2 files were not stacked. They are still in ") +
                         t.paths.desktop() + QStringLiteral(": Injected failure.")});
    TIDORA_CHECK_INVARIANT(t.invariant);

    // One failing file of three: the others are stacked.
    t.fs.failMovesOf(QStringLiteral("b.pdf"));
    t.addDesktopFile(QStringLiteral("c.pdf"));
    const auto stack =
        t.stack({QStringLiteral("a.pdf"), QStringLiteral("b.pdf"), QStringLiteral("c.pdf")});
    QCOMPARE(itemNames(*stack), (QStringList{QStringLiteral("a.pdf"), QStringLiteral("c.pdf")}));
    // Named before the moves, after the three files chosen.
    QCOMPARE(stack->name, QStringLiteral("3 PDFs"));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::folderThatCannotBeMadeIsReported()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const QString storage = t.storageFolder() + QLatin1Char('/');
    t.fs.failMakeFolder([storage](const QString& path) { return path.startsWith(storage); });
    QVERIFY(!t.stack({QStringLiteral("a.txt")}));
    QCOMPARE(t.alerts.messages(), QStringList{FaultyFileSystem::injected});
    QVERIFY(!QFile::exists(t.home.dataRoot() + QStringLiteral("/Tidorama/stacks.json")));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::vanishedAndReplacedFilesLoseNothing()
{
    TestServices t;
    LogCapture log;
    t.addDesktopFile(QStringLiteral("kept.txt"));
    // Gone before the stack is made (the user deleted it after selecting it).
    t.home.write(QStringLiteral("Desktop/gone.txt"));
    const QList<DesktopFile> files =
        t.desktopFiles({QStringLiteral("gone.txt"), QStringLiteral("kept.txt"),
                        QStringLiteral("late.txt"), QStringLiteral("swapped")});
    QFile::remove(t.desktopPath(QStringLiteral("gone.txt")));
    // Gone between its bookmark and its move.
    t.home.write(QStringLiteral("Desktop/late.txt"));
    t.fs.failMoves([](const QString& from, const QString&) {
        if (from.endsWith(QStringLiteral("/late.txt")))
            QFile::remove(from);
        return false;
    });
    // A file replaced by a folder of the same name is stacked as what it is now.
    t.invariant.addFile(QStringLiteral("Desktop/swapped/inside.txt"));
    t.manager().stackFiles(files, std::nullopt, QPointF());
    const DesktopStack stack = t.manager().stacks().first();
    QCOMPARE(itemNames(stack),
             (QStringList{QStringLiteral("kept.txt"), QStringLiteral("swapped")}));
    QCOMPARE(log.startingWith(QStringLiteral("Tidorama: could not stack ")).size(), 1);
    QVERIFY(QFileInfo(t.stackFolder(stack) + QStringLiteral("/swapped")).isDir());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::crossDeviceMoveLeavesTheFile()
{
    // Files are moved, never copied: a storage folder on another file system takes nothing.
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/tidora-XXXXXX"));
    TestServices t;
    struct stat here, there;
    if (!elsewhere.isValid() || ::stat(QFile::encodeName(t.home.home()).constData(), &here) != 0 ||
        ::stat(QFile::encodeName(elsewhere.path()).constData(), &there) != 0 ||
        here.st_dev == there.st_dev)
        QSKIP("needs /dev/shm on another file system than the temporary folder");
    // Documents lives on the other file system.
    QVERIFY(QDir(t.home.documents()).removeRecursively());
    QVERIFY(QFile::link(elsewhere.path(), t.home.documents()));
    FileInvariant invariant(t.home);
    invariant.addDesktopFile(QStringLiteral("a.txt"));
    invariant.addDesktopFile(QStringLiteral("b.txt"));
    QVERIFY(!t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    // Said once, naming the cause and the way out.
    QCOMPARE(t.alerts.messages().size(), 1);
    const QString told = t.alerts.messages().first();
    QVERIFY2(told.startsWith(QStringLiteral("2 of 2 files were not stacked.")), qPrintable(told));
    QVERIFY2(told.contains(QStringLiteral(" is on another file system than the Desktop")),
             qPrintable(told));
    TIDORA_CHECK_INVARIANT(invariant);
}

void TestStacking::aFileBelongsToOneStackOnly()
{
    TestServices t;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        t.addDesktopFile(QString::fromLatin1(name));
    const DesktopStack spread =
        *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")});
    StackManager& manager = t.manager();
    manager.spread(spread.id, false);

    // Stacking two of its files takes them out of the spread stack; one that cannot move stays.
    t.fs.failMovesOf(QStringLiteral("b.txt"));
    const DesktopStack stacked = *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QCOMPARE(itemNames(stacked), QStringList{QStringLiteral("a.txt")});
    QCOMPARE(itemNames(*t.record(spread.id)),
             (QStringList{QStringLiteral("b.txt"), QStringLiteral("c.txt")}));
    t.fs.clearFailures();

    // Adding the rest leaves the spread stack empty, and it goes; its folder with it.
    manager.addFiles(
        {t.desktopPath(QStringLiteral("b.txt")), t.desktopPath(QStringLiteral("c.txt"))},
        stacked.id);
    QVERIFY(!t.record(spread.id));
    QVERIFY(!QFileInfo::exists(t.stackFolder(spread)));

    // Saved that way: the next launch shows each file once.
    StackManager& again = t.relaunch();
    QCOMPARE(again.stacks().size(), 1);
    QCOMPARE(again.operations().files.resolvedFiles(again.stacks().first()).size(), 3);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::failedSaveIsToldOnce()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.addDesktopFile(QStringLiteral("b.txt"));
    // A full disk: the stacks file's folder cannot be made again.
    QVERIFY(QDir(t.paths.dataFolder()).removeRecursively());
    t.fs.failWith(ENOSPC);
    const QString data = t.paths.dataFolder();
    t.fs.failMakeFolder([data](const QString& path) { return path == data; });
    QVERIFY(t.stack({QStringLiteral("a.txt")}));
    QVERIFY(t.stack({QStringLiteral("b.txt")}));
    t.scheduler.runUntilIdle();
    // Once, after the operation, however many saves failed.
    QCOMPARE(t.alerts.messages().size(), 1);
    QVERIFY(t.alerts.messages().first().startsWith(
        QStringLiteral("Tidora could not save its list of stacks in ") + t.paths.displayPath(data) +
        QStringLiteral(": ")));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::linksAreStackedAsLinks()
{
    TestServices t;
    t.invariant.allowPlace(QStringLiteral("Documents/targets"));
    const QString target = t.invariant.addFile(QStringLiteral("Documents/targets/target.txt"));
    t.invariant.addSymlink(QStringLiteral("Desktop/link.txt"), target);
    // A link to a folder goes as the link, and the folder stays with everything in it.
    const QString inside = t.invariant.addFile(QStringLiteral("Documents/targets/album/p.jpg"));
    t.invariant.addSymlink(QStringLiteral("Desktop/album"), QFileInfo(inside).path());
    const DesktopStack stack = *t.stack({QStringLiteral("link.txt"), QStringLiteral("album")});
    const QString moved = t.stackFolder(stack) + QStringLiteral("/link.txt");
    QCOMPARE(QFileInfo(moved).symLinkTarget(), target);
    QVERIFY(QFileInfo(t.stackFolder(stack) + QStringLiteral("/album")).isSymLink());

    // A link to the storage folder is never stacked.
    QVERIFY(QFile::link(t.storageFolder(), t.desktopPath(QStringLiteral("stacks"))));
    QVERIFY(!t.stack({QStringLiteral("stacks")}));
    QCOMPARE(t.alerts.beeps, 1);
    QVERIFY(QFile::remove(t.desktopPath(QStringLiteral("stacks"))));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::selectionIsOneQueryAndReportsFailures()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.png"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.png"), QPointF(300, 100));
    t.desktop.select(
        {t.desktopPath(QStringLiteral("a.png")), t.desktopPath(QStringLiteral("b.png"))});
    t.manager().stackSelection();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.manager().stacks().size(), 1);
    QCOMPARE(t.desktop.callTexts(), QStringList{QStringLiteral("selectedFiles")});

    // Nothing selected: a beep.
    t.desktop.select({});
    t.manager().stackSelection();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.alerts.beeps, 1);

    // The program does not answer: its message, after coming to the front.
    t.desktop.setMode(FakeDesktop::Mode::unreachable);
    t.manager().stackSelection();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.alerts.messages(), QStringList{FakeDesktop::unreachableError().description()});
    QCOMPARE(t.alerts.raised, 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestStacking)
#include "tst_stacking.moc"
