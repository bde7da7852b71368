#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackFiles.h"
#include "engine/StackManager.h"
#include "engine/Stacker.h"
#include "engine/WindowPlacement.h"
#include "operations/UndoState.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr auto itemNames = &TestServices::itemNames;

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
    void failedMovesAndFoldersLeaveTheFilesAndAreTold();
    void vanishedAndReplacedFilesLoseNothing();
    void filesOnAnotherFileSystemStayThere();
    void aFileBelongsToOneStackOnly();
    void failedSaveIsToldOnce();
    void linksAreStackedAsLinks();
    void selectionIsOneQueryAndReportsFailures();
    void newWindowsStayClearOfShownOnes_data();
    void newWindowsStayClearOfShownOnes();
};

void TestStacking::storeStackReplacesSavesAndShows()
{
    TestServices t;
    StackManager& manager = t.manager();
    t.addDesktopFile(u"a.txt"_s);
    DesktopStack stack = recordOf(t, u"Notes"_s, {u"a.txt"_s});
    stack.windowOrigin = QPointF(300, 200);
    manager.storeStack(stack);
    QVERIFY(manager.undoState().hasStacked() && !manager.undoState().hasSpread());
    QCOMPARE(t.windows.window(stack.id)->frameOrigin(), QPointF(300, 200));

    // Same id: replaced, not appended, the window reused, the flags recomputed, saved at once.
    stack.name = u"Renamed"_s;
    stack.state = StackState::expanded;
    manager.storeStack(stack);
    QCOMPARE(manager.stacks(), QList<DesktopStack>{stack});
    QVERIFY(manager.undoState().hasSpread() && !manager.undoState().hasStacked());
    QCOMPARE(t.windows.created, 1);
    QCOMPARE(t.windows.window(stack.id)->record.name, u"Renamed"_s);
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), manager.stacks());
}

void TestStacking::namesFollowTheKinds()
{
    TestServices t;
    const auto nameOf = [&t](const QStringList& names) {
        QStringList paths;
        for (const QString& name : names)
            paths.append(t.home.write(u"Desktop/"_s + name, "x"));
        return t.manager().operations().stacker.defaultStackName(paths);
    };
    QCOMPARE(nameOf({u"Screenshot 1.png"_s, u"Screenshot 2.png"_s, u"Screenshot 3.png"_s}),
             u"3 Screenshots"_s);
    QCOMPARE(nameOf({u"report.pdf"_s}), u"1 PDF"_s);
    QCOMPARE(nameOf({u"A.PNG"_s, u"b.png"_s}), u"2 Images"_s);
    // Written decomposed, as some programs write names.
    QCOMPARE(nameOf({u"Sni\u0301mek obrazovky.png"_s, u"Screenshot 5.png"_s}), u"2 Screenshots"_s);
    // Mixed kinds, and a folder among images, are numbered after the stacks there are.
    QCOMPARE(nameOf({u"x.pdf"_s, u"photo.jpg"_s}), u"Stack 1"_s);
    t.home.makeFolder(u"Desktop/album.png"_s);
    t.addDesktopFile(u"notes"_s);
    QCOMPARE(t.stack({u"notes"_s})->name, u"Stack 1"_s);
    QCOMPARE(t.manager().operations().stacker.defaultStackName(
                 {t.desktopPath(u"album.png"_s), t.desktopPath(u"b.png"_s)}),
             u"Stack 2"_s);
    // A given name wins.
    t.addDesktopFile(u"y.pdf"_s);
    QCOMPARE(t.stack({u"y.pdf"_s}, u"Mine"_s)->name, u"Mine"_s);
}

void TestStacking::stackingMovesFilesAndRecordsThem()
{
    TestServices t;
    t.addDesktopFile(u"a.pdf"_s, QPointF(100, 100));
    t.addDesktopFile(u"b.pdf"_s, QPointF(200, 300));
    const DesktopStack stack = *t.stack({u"a.pdf"_s, u"b.pdf"_s});

    QCOMPARE(stack.folderName, u"2 PDFs"_s);
    // Centred on the icons' centre (150, 200): Desktop y 200 is screen y 600.
    QCOMPARE(stack.windowOrigin, QPointF(150 - 70, 800 - 200 - 75));
    QCOMPARE(stack.items.at(1).position, QPointF(200, 300));
    const QString folder = t.storageFolder() + u"/2 PDFs"_s;
    QCOMPARE(t.namesIn(folder), (QStringList{u"a.pdf"_s, u"b.pdf"_s}));
    QCOMPARE(t.manager().operations().files.resolvedItems(stack).value(0), folder + u"/a.pdf"_s);
    QVERIFY(t.guard.calls.contains(u"protect "_s + folder));
    // A second stack of the same name gets its own folder.
    QCOMPARE(t.stackNew({u"c.pdf"_s, u"d.pdf"_s}).folderName, u"2 PDFs 2"_s);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::filesThatMustNotBeStackedAreLeftAlone()
{
    TestServices t;
    t.addDesktopFiles({u".secret"_s, u"listed.txt"_s, u"a.txt"_s});
    t.home.write(u"Desktop/.hidden"_s, "listed.txt\n");
    QVERIFY(t.folders.ensureStorageFolder());
    QList<DesktopFile> files = t.desktopFiles({u".secret"_s, u"listed.txt"_s});
    // The storage folder itself is never stacked.
    files.append(DesktopFile{t.storageFolder(), std::nullopt});
    t.manager().stackFiles(files, std::nullopt, QPointF());
    QCOMPARE(t.alerts.beeps, 1);
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(t.firstRun.calls.isEmpty());

    // The hidden list is read again by each operation: a file listed after it was selected
    // stays.
    t.desktop.select({t.desktopPath(u"a.txt"_s)});
    const QList<DesktopFile> selection = t.desktop.selectedFiles().value();
    t.home.write(u"Desktop/.hidden"_s, "a.txt\n");
    t.manager().stackFiles(selection, std::nullopt, QPointF());
    QCOMPARE(t.alerts.beeps, 2);
    QVERIFY(QFile::exists(t.desktopPath(u"a.txt"_s)));
    t.home.write(u"Desktop/.hidden"_s, "");
    QCOMPARE(itemNames(*t.stack({u"listed.txt"_s})), QStringList{u"listed.txt"_s});

    // A name that is not UTF-8 (how it reads; there is no such path) is told, not skipped.
    const DesktopFile odd{t.desktopPath(u"odd\uFFFD.txt"_s), std::nullopt, true};
    files = t.desktopFiles({u"a.txt"_s});
    files.append(odd);
    t.manager().stackFiles(files, std::nullopt, QPointF(0, 0));
    QCOMPARE(itemNames(t.manager().stacks().last()), QStringList{u"a.txt"_s});
    QCOMPARE(t.alerts.messages().size(), 1);
    QVERIFY(t.alerts.messages().first().startsWith(
        u"This file cannot be stacked: \u201Codd\uFFFD.txt\u201D."_s));
    // Alone, it is told rather than beeped at.
    t.manager().stackFiles({odd}, std::nullopt, QPointF(0, 0));
    QCOMPARE(t.alerts.messages().size(), 2);
    QCOMPARE(t.alerts.beeps, 2);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::nameTakenInTheFolderGetsANumber()
{
    TestServices t;
    t.addDesktopFiles({u"report.pdf"_s, u"notes"_s});
    // Left in the folder by an earlier failure.
    t.invariant.addFile(u"Documents/.Tidora/Stack 1/report.pdf"_s);
    t.invariant.addFile(u"Documents/.Tidora/Stack 1/notes"_s);
    DesktopStack stack = recordOf(t, u"Stack 1"_s, {u"report.pdf"_s, u"notes"_s});
    QVERIFY(t.manager().operations().stacker.gatherIntoFolder(stack));
    QCOMPARE(itemNames(stack), (QStringList{u"report 2.pdf"_s, u"notes 2"_s}));
    QVERIFY(QFile::exists(t.storageFolder() + u"/Stack 1/report 2.pdf"_s));

    // A name taken in the folder after it was read (another program writing there): the next
    // free number, and nothing replaced.
    t.addDesktopFile(u"late.txt"_s);
    stack.items = recordOf(t, QString(), {u"late.txt"_s}).items;
    const QString inFolder = t.storageFolder() + u"/Stack 1/late.txt"_s;
    t.fs.failMoves([&](const QString&, const QString& to) {
        if (to == inFolder && !QFile::exists(inFolder))
            t.invariant.addFile(u"Documents/.Tidora/Stack 1/late.txt"_s);
        return false;
    });
    QVERIFY(t.manager().operations().stacker.gatherIntoFolder(stack));
    QCOMPARE(t.manager().operations().files.resolvedFiles(stack),
             QStringList{t.storageFolder() + u"/Stack 1/late 2.txt"_s});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::folderNameOfASpreadStackStaysItsOwn()
{
    TestServices t;
    t.addDesktopFile(u"a.txt"_s, QPointF(100, 100));
    t.addDesktopFile(u"b.txt"_s, QPointF(300, 100));
    const DesktopStack first = *t.stack({u"a.txt"_s}, u"Photos"_s);
    t.manager().spread(first.id, false);
    t.scheduler.runUntilIdle();
    // The user removed the spread stack's empty folder; the name is still the stack's.
    QVERIFY(QDir().rmdir(t.stackFolder(first)));
    const DesktopStack second = *t.stack({u"b.txt"_s}, u"Photos"_s);
    QCOMPARE(second.folderName, std::optional<QString>(u"Photos 2"_s));
    t.manager().restack(first.id, false);
    t.scheduler.runUntilIdle();
    QCOMPARE(t.namesIn(t.stackFolder(first)), QStringList{u"a.txt"_s});
    QCOMPARE(t.namesIn(t.stackFolder(second)), QStringList{u"b.txt"_s});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::failedMovesAndFoldersLeaveTheFilesAndAreTold()
{
    TestServices t;
    LogCapture log;
    t.addDesktopFiles({u"a.pdf"_s, u"b.pdf"_s});
    t.fs.failMoves([](const QString&, const QString&) { return true; });
    QVERIFY(!t.stack({u"a.pdf"_s, u"b.pdf"_s}));
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(t.windows.windows().isEmpty());
    // Neither the stack folder nor the storage folder (with its README) stays behind.
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QCOMPARE(log.startingWith(u"Tidorama: could not stack "_s).size(), 2);
    QCOMPARE(t.alerts.messages(),
             QStringList{u"2 of 2 files were not stacked. They are still in "_s +
                         t.paths.desktop() + u": Injected failure."_s});
    TIDORA_CHECK_INVARIANT(t.invariant);

    // One failing file of three: the others are stacked.
    t.fs.failMovesOf(u"b.pdf"_s);
    t.addDesktopFile(u"c.pdf"_s);
    const auto stack = t.stack({u"a.pdf"_s, u"b.pdf"_s, u"c.pdf"_s});
    QCOMPARE(itemNames(*stack), (QStringList{u"a.pdf"_s, u"c.pdf"_s}));
    // Named before the moves, after the three files chosen.
    QCOMPARE(stack->name, u"3 PDFs"_s);

    // A stack folder that cannot be made: told, and no stack is recorded.
    t.fs.clearFailures();
    QVERIFY(QDir(t.paths.dataFolder()).removeRecursively());
    const QString storage = t.storageFolder() + QLatin1Char('/');
    t.fs.failMakeFolder([storage](const QString& path) { return path.startsWith(storage); });
    QVERIFY(!t.stack({u"b.pdf"_s}));
    QCOMPARE(t.alerts.messages().last(), FaultyFileSystem::injected);
    QVERIFY(!QFile::exists(t.paths.dataFolder() + u"/stacks.json"_s));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::vanishedAndReplacedFilesLoseNothing()
{
    TestServices t;
    LogCapture log;
    t.addDesktopFile(u"kept.txt"_s);
    // Gone before the stack is made (the user deleted it after selecting it).
    t.home.write(u"Desktop/gone.txt"_s);
    const QList<DesktopFile> files =
        t.desktopFiles({u"gone.txt"_s, u"kept.txt"_s, u"late.txt"_s, u"swapped"_s});
    QFile::remove(t.desktopPath(u"gone.txt"_s));
    // Gone between its bookmark and its move.
    t.home.write(u"Desktop/late.txt"_s);
    t.fs.failMoves([](const QString& from, const QString&) {
        if (from.endsWith(u"/late.txt"_s))
            QFile::remove(from);
        return false;
    });
    // A file replaced by a folder of the same name is stacked as what it is now.
    t.invariant.addFile(u"Desktop/swapped/inside.txt"_s);
    t.manager().stackFiles(files, std::nullopt, QPointF());
    const DesktopStack stack = t.manager().stacks().first();
    QCOMPARE(itemNames(stack), (QStringList{u"kept.txt"_s, u"swapped"_s}));
    QCOMPARE(log.startingWith(u"Tidorama: could not stack "_s).size(), 1);
    QVERIFY(QFileInfo(t.stackFolder(stack) + u"/swapped"_s).isDir());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::filesOnAnotherFileSystemStayThere()
{
    // Files are moved, never copied: a storage folder on another file system takes nothing, and
    // neither does a stack from a stick.
    QTemporaryDir elsewhere(u"/dev/shm/tidora-XXXXXX"_s);
    TestServices t;
    struct stat here, there;
    if (!elsewhere.isValid() || ::stat(QFile::encodeName(t.home.home()).constData(), &here) != 0 ||
        ::stat(QFile::encodeName(elsewhere.path()).constData(), &there) != 0 ||
        here.st_dev == there.st_dev)
        QSKIP("needs /dev/shm on another file system than the temporary folder");
    const QString stick = elsewhere.filePath(u"holiday.jpg"_s);
    {
        QFile file(stick);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("only copy");
    }
    const DesktopStack stack = t.stackNew({u"a.txt"_s});
    t.addDesktopFile(u"b.txt"_s);
    LogCapture log;
    t.manager().addFiles({stick, t.desktopPath(u"b.txt"_s)}, stack.id);
    QCOMPARE(itemNames(*t.record(stack.id)), (QStringList{u"a.txt"_s, u"b.txt"_s}));
    QCOMPARE(log.startingWith(u"Tidorama: could not add "_s + stick).size(), 1);
    QCOMPARE(TempHome::read(stick), QByteArray("only copy"));
    TIDORA_CHECK_INVARIANT(t.invariant);

    // Documents lives on the other file system.
    t.alerts.answer(u"Dissolve"_s);
    t.manager().dissolveAll();
    t.scheduler.runUntilIdle();
    t.alerts.shown.clear();
    QVERIFY(QDir(t.home.documents()).removeRecursively());
    QVERIFY(QFile::link(elsewhere.path(), t.home.documents()));
    t.invariant.takeSnapshot();
    QVERIFY(!t.stack({u"a.txt"_s, u"b.txt"_s}));
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    // Said once, naming the cause and the way out.
    QCOMPARE(t.alerts.messages().size(), 1);
    const QString told = t.alerts.messages().first();
    QVERIFY2(told.startsWith(u"2 of 2 files were not stacked."_s), qPrintable(told));
    QVERIFY2(told.contains(u" is on another file system than the Desktop"_s), qPrintable(told));
    QCOMPARE(TempHome::read(stick), QByteArray("only copy"));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::aFileBelongsToOneStackOnly()
{
    TestServices t;
    t.addDesktopFile(u"d.txt"_s);
    const DesktopStack spread = t.stackNew({u"a.txt"_s, u"b.txt"_s, u"c.txt"_s});
    StackManager& manager = t.manager();
    manager.spread(spread.id, false);

    // Stacking two of its files takes them out of the spread stack; one that cannot move stays.
    t.fs.failMovesOf(u"b.txt"_s);
    const DesktopStack stacked = *t.stack({u"a.txt"_s, u"b.txt"_s});
    QCOMPARE(itemNames(stacked), QStringList{u"a.txt"_s});
    QCOMPARE(itemNames(*t.record(spread.id)), (QStringList{u"b.txt"_s, u"c.txt"_s}));
    t.fs.clearFailures();

    // Adding the rest leaves the spread stack empty, and it goes; its folder with it.
    manager.addFiles({t.desktopPath(u"b.txt"_s), t.desktopPath(u"c.txt"_s)}, stacked.id);
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
    t.addDesktopFiles({u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"d.txt"_s});
    // A full disk: the stacks file's folder cannot be made again.
    QVERIFY(QDir(t.paths.dataFolder()).removeRecursively());
    t.fs.failWith(ENOSPC);
    const QString data = t.paths.dataFolder();
    t.fs.failMakeFolder([data](const QString& path) { return path == data; });
    QVERIFY(t.stack({u"a.txt"_s}));
    QVERIFY(t.stack({u"b.txt"_s}));
    t.scheduler.runUntilIdle();
    // Once, after the operation, however many saves failed.
    QCOMPARE(t.alerts.messages().size(), 1);
    QVERIFY(t.alerts.messages().first().startsWith(
        u"Tidora could not save its list of stacks in "_s + t.paths.displayPath(data) + u": "_s));

    // Saved again, then failing again: told again.
    t.fs.clearFailures();
    QVERIFY(t.stack({u"c.txt"_s}));
    QVERIFY(QDir(data).removeRecursively());
    t.fs.failMakeFolder([data](const QString& path) { return path == data; });
    QVERIFY(t.stack({u"d.txt"_s}));
    t.scheduler.runUntilIdle();
    QCOMPARE(t.alerts.messages().size(), 2);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::linksAreStackedAsLinks()
{
    TestServices t;
    t.invariant.allowPlace(u"Documents/targets"_s);
    const QString target = t.invariant.addFile(u"Documents/targets/target.txt"_s);
    t.invariant.addSymlink(u"Desktop/link.txt"_s, target);
    // A link to a folder goes as the link, and the folder stays with everything in it.
    const QString inside = t.invariant.addFile(u"Documents/targets/album/p.jpg"_s);
    t.invariant.addSymlink(u"Desktop/album"_s, QFileInfo(inside).path());
    const DesktopStack stack = *t.stack({u"link.txt"_s, u"album"_s});
    const QString moved = t.stackFolder(stack) + u"/link.txt"_s;
    QCOMPARE(QFileInfo(moved).symLinkTarget(), target);
    QVERIFY(QFileInfo(t.stackFolder(stack) + u"/album"_s).isSymLink());

    // A link to the storage folder is never stacked.
    QVERIFY(QFile::link(t.storageFolder(), t.desktopPath(u"stacks"_s)));
    QVERIFY(!t.stack({u"stacks"_s}));
    QCOMPARE(t.alerts.beeps, 1);
    QVERIFY(QFile::remove(t.desktopPath(u"stacks"_s)));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStacking::selectionIsOneQueryAndReportsFailures()
{
    TestServices t;
    t.addDesktopFile(u"a.png"_s, QPointF(100, 100));
    t.addDesktopFile(u"b.png"_s, QPointF(300, 100));
    t.desktop.select({t.desktopPath(u"a.png"_s), t.desktopPath(u"b.png"_s)});
    t.manager().stackSelection();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.manager().stacks().size(), 1);
    QCOMPARE(t.desktop.callTexts(), QStringList{u"selectedFiles"_s});

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

void TestStacking::newWindowsStayClearOfShownOnes_data()
{
    QTest::addColumn<QPointF>("wanted");
    QTest::addColumn<QList<QRectF>>("shown");
    QTest::addColumn<QPointF>("placed");
    const auto at = [](qreal x, qreal y) { return QRectF(x, y, 140, 150); };
    QTest::newRow("free place kept")
        << QPointF(300, 300) << QList{at(700, 300)} << QPointF(300, 300);
    QTest::newRow("on another: beside it")
        << QPointF(300, 300) << QList{at(300, 300)} << QPointF(150, 300);
    // Its lowest 30 points, where the caption is.
    QTest::newRow("over a caption: below it")
        << QPointF(300, 180) << QList{at(300, 300)} << QPointF(300, 140);
    QTest::newRow("a sliver of it covered")
        << QPointF(435, 300) << QList{at(300, 300)} << QPointF(435, 300);
    QTest::newRow("off the screen: back on it")
        << QPointF(1250, -40) << QList<QRectF>{} << QPointF(1140, 0);
    QTest::newRow("taken top right corner: the nearest free place")
        << QPointF(1140, 626) << QList{at(1140, 626), at(990, 626)} << QPointF(1140, 466);
}

// A new stack shows where its icons lay unless that hides a stack already shown: then it goes
// to the nearest free place, always on the visible part of the screen.
void TestStacking::newWindowsStayClearOfShownOnes()
{
    QFETCH(QPointF, wanted);
    QFETCH(QList<QRectF>, shown);
    QFETCH(QPointF, placed);
    const QList<ScreenGeometry> screen{{QRectF(0, 0, 1280, 800), QRectF(0, 0, 1280, 776)}};
    QCOMPARE(WindowPlacement::freeOrigin(wanted, shown, screen), placed);
}

QTEST_GUILESS_MAIN(TestStacking)
#include "tst_stacking.moc"
