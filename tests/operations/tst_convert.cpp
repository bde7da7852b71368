#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackFiles.h"
#include "engine/StackManager.h"
#include "operations/FolderConversion.h"
#include "operations/UndoState.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString stuckText = u"Some files couldn't be moved into a folder, so they stay "
                          "in their stack: "_s;
const QString missingText = u"Some files weren't put back because they are no "
                            "longer in the folder: "_s;

QString quoted(const QString& name)
{
    return u"\u201C"_s + name + u"\u201D"_s;
}

// A stack of new Desktop files.
DesktopStack stackOf(TestServices& t, const QStringList& names, const QString& stackName)
{
    for (const QString& name : names)
        t.addDesktopFile(name);
    t.manager().stackFiles(t.desktopFiles(names), stackName, QPointF(200, 300));
    return t.manager().stacks().last();
}

} // namespace

class TestConvert : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertAllAsksAndRunsAsWork();
    void folderNamesFollowTheStackName();
    void folderStandsWhereTheWindowStood();
    void filesThatCannotMoveStayInTheirStack();
    void folderThatCannotBeMadeLeavesTheStackAlone();
    void onlyTheLastBatchCanBeUndone();
    void undoOfASpreadStackPlacesTheIcons();
    void undoAfterTheFolderWasChanged();
    void undoPutsBackWhenTheStorageFolderCannotBeMade();
    void undoDoesNotShareAFolderWithANewerStack();
};

void TestConvert::convertAllAsksAndRunsAsWork()
{
    TestServices t;
    // Nothing to convert: a beep, no question.
    t.manager().convertAll();
    QCOMPARE(t.alerts.beeps, 1);
    const DesktopStack one = stackOf(t, {u"a.txt"_s}, u"Notes"_s);
    t.manager().undoState().setIsWorking(true);
    t.manager().convertAll();
    QCOMPARE(t.alerts.beeps, 2);
    QVERIFY(t.alerts.shown.isEmpty());
    t.manager().undoState().setIsWorking(false);

    t.alerts.answer(u"Cancel"_s);
    t.manager().convertAll();
    QCOMPARE(t.alerts.shown.last().message, u"Convert the stack into a folder?"_s);
    t.scheduler.runUntilIdle();
    QCOMPARE(t.manager().stacks().size(), 1);

    stackOf(t, {u"b.txt"_s}, u"More"_s);
    t.alerts.answer(u"Convert"_s);
    t.manager().convertAll();
    QCOMPARE(t.alerts.shown.last().message, u"Convert all 2 stacks into folders?"_s);
    // Work: the menu is blocked at once, the stacks go when it runs.
    QVERIFY(t.manager().undoState().isWorking());
    QCOMPARE(t.manager().stacks().size(), 2);
    t.scheduler.runUntilIdle();
    QVERIFY(t.manager().stacks().isEmpty() && !t.manager().undoState().isWorking());
    QVERIFY(t.manager().undoState().available());
    QVERIFY(!t.windows.window(one.id));
    QCOMPARE(t.namesIn(t.desktopPath(u"TR_Notes"_s)), QStringList{u"a.txt"_s});
    QCOMPARE(t.namesIn(t.desktopPath(u"TR_More"_s)), QStringList{u"b.txt"_s});
    // The emptied stack folders went, and the storage folder with them.
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(StackListFile(t.paths, t.fs).loadStackList().isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::folderNamesFollowTheStackName()
{
    TestServices t;
    const DesktopStack first = stackOf(t, {u"a.txt"_s}, u"a/b: c"_s);
    const DesktopStack second = stackOf(t, {u"b.txt"_s}, u"a/b: c"_s);
    const DesktopStack dots = stackOf(t, {u"c.txt"_s}, u"..."_s);
    // A name at the longest a file name can be still makes a folder.
    const DesktopStack longName = stackOf(t, {u"d.txt"_s}, QString(300, QLatin1Char('x')));
    t.manager().operations().conversion.convertStacks({first.id, second.id, dots.id, longName.id});
    QVERIFY(QFileInfo::exists(t.desktopPath(u"TR_a-b- c/a.txt"_s)));
    QVERIFY(QFileInfo::exists(t.desktopPath(u"TR_a-b- c 2/b.txt"_s)));
    QVERIFY(QFileInfo::exists(t.desktopPath(u"TR_Stack/c.txt"_s)));
    const QList<Conversion>& last = t.manager().undoState().lastConversion();
    QCOMPARE(last.size(), 4);
    QCOMPARE(QFileInfo(last.at(3).folder).fileName().toUtf8().size(), 255);
    QVERIFY(QFileInfo::exists(last.at(3).folder + u"/d.txt"_s));
    QVERIFY(t.manager().stacks().isEmpty() && t.alerts.shown.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::folderStandsWhereTheWindowStood()
{
    TestServices t;
    t.addDesktopFile(u"a.png"_s, QPointF(500, 100));
    t.addDesktopFile(u"b.png"_s, QPointF(600, 100));
    t.manager().stackFiles(t.desktopFiles({u"a.png"_s, u"b.png"_s}), u"Shots"_s, QPointF(200, 300));
    const DesktopStack stack = t.manager().stacks().last();
    t.desktop.clearCalls();
    t.manager().operations().conversion.convertStacks({stack.id});

    const Conversion conversion = t.manager().undoState().lastConversion().value(0);
    QCOMPARE(conversion.stack, stack);
    QCOMPARE(conversion.folder, t.desktopPath(u"TR_Shots"_s));
    // The window's centre on the Desktop: (200 + 70, 800 − 300 − 75).
    QCOMPARE(conversion.spot, QPointF(270, 425));
    QCOMPARE(conversion.moved.size(), 2);
    const StackItem& moved = conversion.moved.at(1);
    QCOMPARE(moved.id, stack.items.at(1).id);
    QCOMPARE(moved.position, stack.items.at(1).position);
    QCOMPARE(t.bookmarks().resolve(moved.bookmark), conversion.folder + u"/b.png"_s);
    // Announced before the folder appeared, then placed.
    QCOMPARE(t.desktop.callTexts(), QStringList{u"announcePositions TR_Shots (270, 425)"_s});
    t.scheduler.runUntilIdle();
    QCOMPARE(*t.desktop.icon(u"TR_Shots"_s), QPointF(270, 425));

    // A desktop program that refuses the placement is reported; the files are in place.
    const DesktopStack other = stackOf(t, {u"c.txt"_s}, u"Other"_s);
    const BridgeError refused{u"No."_s, 1};
    t.desktop.fail(FakeDesktop::Operation::setDesktopPositions, refused);
    t.manager().operations().conversion.convertStacks({other.id});
    t.scheduler.runUntilIdle();
    QCOMPARE(t.alerts.messages(), QStringList{refused.description()});
    QVERIFY(QFileInfo::exists(t.desktopPath(u"TR_Other/c.txt"_s)));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::filesThatCannotMoveStayInTheirStack()
{
    TestServices t;
    LogCapture log;
    const DesktopStack stack = stackOf(t, {u"a.txt"_s, u"stuck.txt"_s, u"c.txt"_s}, u"Mixed"_s);
    const DesktopStack other = stackOf(t, {u"stuck.txt 2"_s}, u"Two"_s);
    t.fs.failMoves([](const QString& from, const QString&) {
        return from.endsWith(QLatin1String("/stuck.txt")) ||
               from.endsWith(QLatin1String("/stuck.txt 2"));
    });
    t.manager().operations().conversion.convertStacks({stack.id, other.id});

    // One alert after the batch names every file that stayed.
    QCOMPARE(t.alerts.messages(), QStringList{stuckText + quoted(u"stuck.txt"_s) + u", "_s +
                                              quoted(u"stuck.txt 2"_s) + u"."_s});
    const DesktopStack rest = *t.record(stack.id);
    QCOMPARE(TestServices::itemNames(rest), QStringList{u"stuck.txt"_s});
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), t.manager().stacks());
    QCOMPARE(t.namesIn(t.desktopPath(u"TR_Mixed"_s)), (QStringList{u"a.txt"_s, u"c.txt"_s}));
    // A stack none of whose files moved still leaves its (empty) folder, and can be undone.
    QCOMPARE(t.manager().undoState().lastConversion().size(), 2);
    QVERIFY(t.manager().undoState().lastConversion().at(1).moved.isEmpty());
    QVERIFY(QFileInfo(t.desktopPath(u"TR_Two"_s)).isDir());
    TIDORA_CHECK_INVARIANT(t.invariant);

    t.fs.clearFailures();
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(TestServices::itemNames(*t.record(stack.id)),
             (QStringList{u"stuck.txt"_s, u"a.txt"_s, u"c.txt"_s}));
    QVERIFY(!QFileInfo::exists(t.desktopPath(u"TR_Mixed"_s)));
    QVERIFY(!QFileInfo::exists(t.desktopPath(u"TR_Two"_s)));
    QCOMPARE(t.alerts.shown.size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::folderThatCannotBeMadeLeavesTheStackAlone()
{
    TestServices t;
    LogCapture log;
    const DesktopStack blocked = stackOf(t, {u"a.txt"_s}, u"Blocked"_s);
    const DesktopStack fine = stackOf(t, {u"b.txt"_s}, u"Fine"_s);
    const DesktopStack also = stackOf(t, {u"c.txt"_s}, u"Also"_s);
    t.fs.failMakeFolder(
        [](const QString& path) { return !path.endsWith(QLatin1String("/TR_Fine")); });
    t.manager().operations().conversion.convertStacks({blocked.id, fine.id, also.id});

    QCOMPARE(*t.record(blocked.id), blocked);
    QCOMPARE(*t.record(also.id), also);
    QVERIFY(!t.record(fine.id));
    QCOMPARE(t.manager().undoState().lastConversion().size(), 1);
    QCOMPARE(t.manager().undoState().lastConversion().at(0).stack.id, fine.id);
    // Only the first failure is shown, once the batch is done.
    QCOMPARE(t.alerts.messages().size(), 1);
    QVERIFY(t.alerts.messages().first().contains(u"\u201CTR_Blocked\u201D"_s));
    TIDORA_CHECK_INVARIANT(t.invariant);

    // A batch that converts nothing keeps what can be undone.
    t.manager().operations().conversion.convertStacks({blocked.id});
    QCOMPARE(t.manager().undoState().lastConversion().value(0).stack.id, fine.id);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::onlyTheLastBatchCanBeUndone()
{
    TestServices t;
    const DesktopStack a = stackOf(t, {u"a.txt"_s}, u"A"_s);
    const DesktopStack b = stackOf(t, {u"b.txt"_s}, u"B"_s);
    const DesktopStack c = stackOf(t, {u"c.txt"_s, u"d.txt"_s}, u"C"_s);
    t.manager().operations().conversion.convertStacks({a.id, b.id});
    t.manager().operations().conversion.convertStacks({c.id});
    QCOMPARE(t.manager().undoState().lastConversion().size(), 1);
    QVERIFY(!QFileInfo::exists(t.stackFolder(c)));
    // Finder's metadata file alone does not keep the folder.
    t.home.write(u"Desktop/TR_C/.DS_Store"_s);
    t.manager().undoLastConversion();
    QVERIFY(t.manager().undoState().isWorking());
    t.scheduler.runUntilIdle();
    QVERIFY(!t.manager().undoState().available());
    QCOMPARE(t.manager().stacks().size(), 1);
    const DesktopStack back = *t.record(c.id);
    QCOMPARE(back.folderName, c.folderName);
    QCOMPARE(back.state, StackState::collapsed);
    QCOMPARE(back.windowOrigin, c.windowOrigin);
    QCOMPARE(t.manager().operations().files.resolvedFiles(back).size(), 2);
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), t.manager().stacks());
    QVERIFY(QFileInfo::exists(t.desktopPath(u"TR_B/b.txt"_s)));
    QVERIFY(!QFileInfo::exists(t.desktopPath(u"TR_C"_s)) && t.alerts.shown.isEmpty());
    // Undone once: a second undo has nothing left.
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.alerts.beeps, 1);
    QCOMPARE(t.manager().stacks().size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::undoOfASpreadStackPlacesTheIcons()
{
    TestServices t;
    t.addDesktopFile(u"a.pdf"_s, QPointF(100, 100));
    t.addDesktopFile(u"b.pdf"_s, QPointF(200, 300));
    const DesktopStack stack = *t.stack({u"a.pdf"_s, u"b.pdf"_s});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.manager().operations().conversion.convertStacks({stack.id});
    t.scheduler.runUntilIdle();
    // A file of the same name arrived on the Desktop meanwhile.
    t.addDesktopFile(u"a.pdf"_s, QPointF(700, 100));
    t.desktop.clearCalls();

    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.desktop.callTexts().first(),
             u"announcePositions a 2.pdf (100, 100), b.pdf (200, 300)"_s);
    const DesktopStack back = *t.record(stack.id);
    QCOMPARE(back.state, StackState::expanded);
    QCOMPARE(TestServices::itemNames(back), (QStringList{u"a 2.pdf"_s, u"b.pdf"_s}));
    QVERIFY(QFileInfo::exists(t.desktopPath(u"a 2.pdf"_s)));
    QVERIFY(!QFileInfo::exists(t.desktopPath(u"TR_2 PDFs"_s)));
    QCOMPARE(*t.desktop.icon(u"b.pdf"_s), QPointF(200, 300));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::undoAfterTheFolderWasChanged()
{
    TestServices t;
    const DesktopStack stack =
        stackOf(t, {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"d.txt"_s}, u"Four"_s);
    t.manager().operations().conversion.convertStacks({stack.id});
    const QString folder = t.desktopPath(u"TR_Four"_s);
    // The user renames a file inside, takes two out (onto the Desktop, into another folder
    // there) and puts one of their own in.
    QVERIFY(QFile::rename(folder + u"/a.txt"_s, folder + u"/renamed.txt"_s));
    QVERIFY(QFile::rename(folder + u"/b.txt"_s, t.desktopPath(u"b.txt"_s)));
    t.home.makeFolder(u"Desktop/Elsewhere"_s);
    QVERIFY(QFile::rename(folder + u"/c.txt"_s, t.desktopPath(u"Elsewhere/c.txt"_s)));
    t.invariant.addFile(u"Desktop/TR_Four/mine.txt"_s);
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();

    const DesktopStack back = *t.record(stack.id);
    QCOMPARE(TestServices::itemNames(back), (QStringList{u"renamed.txt"_s, u"d.txt"_s}));
    QVERIFY(QFileInfo::exists(t.stackFolder(back) + u"/renamed.txt"_s));
    QCOMPARE(t.alerts.messages(),
             QStringList{missingText + quoted(u"b.txt"_s) + u", "_s + quoted(u"c.txt"_s) + u"."_s});
    // What the user took out or put in stays where they put it.
    QCOMPARE(t.namesIn(folder), QStringList{u"mine.txt"_s});
    QVERIFY(QFileInfo::exists(t.desktopPath(u"b.txt"_s)));
    QVERIFY(QFileInfo::exists(t.desktopPath(u"Elsewhere/c.txt"_s)));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::undoPutsBackWhenTheStorageFolderCannotBeMade()
{
    TestServices t;
    const DesktopStack a = stackOf(t, {u"a.txt"_s}, u"A"_s);
    t.manager().spread(a.id, false);
    t.scheduler.runUntilIdle();
    const DesktopStack b = stackOf(t, {u"b.txt"_s}, u"B"_s);
    t.manager().operations().conversion.convertStacks({b.id, a.id});
    t.scheduler.runUntilIdle();
    t.fs.failMakeFolder([](const QString&) { return true; });
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    // The collapsed stack waits for the next undo; the spread one needed no folder.
    QCOMPARE(t.alerts.messages(), QStringList{FaultyFileSystem::injected});
    QCOMPARE(t.manager().undoState().lastConversion().size(), 1);
    QCOMPARE(t.manager().undoState().lastConversion().at(0).stack.id, b.id);
    QVERIFY(t.manager().undoState().available());
    QVERIFY(!t.record(b.id));
    QCOMPARE(t.record(a.id)->state, StackState::expanded);
    QVERIFY(QFileInfo::exists(t.desktopPath(u"TR_B/b.txt"_s)));
    TIDORA_CHECK_INVARIANT(t.invariant);

    t.fs.clearFailures();
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(TestServices::itemNames(*t.record(b.id)), QStringList{u"b.txt"_s});
    QVERIFY(!t.manager().undoState().available());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::undoDoesNotShareAFolderWithANewerStack()
{
    TestServices t;
    const DesktopStack old = stackOf(t, {u"a.txt"_s}, u"Photos"_s);
    t.manager().operations().conversion.convertStacks({old.id});
    // A new stack of the same name takes the folder name that became free.
    const DesktopStack newer = stackOf(t, {u"b.txt"_s}, u"Photos"_s);
    QCOMPARE(newer.folderName, old.folderName);
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    const DesktopStack back = *t.record(old.id);
    QCOMPARE(back.folderName, std::optional<QString>(u"Photos 2"_s));
    QCOMPARE(t.namesIn(t.stackFolder(back)), QStringList{u"a.txt"_s});
    QCOMPARE(t.namesIn(t.stackFolder(*t.record(newer.id))), QStringList{u"b.txt"_s});
    TIDORA_CHECK_INVARIANT(t.invariant);

    // A spread stack comes back onto the Desktop, yet must not keep the name either: gathered
    // again, it would share the newer stack's folder.
    const DesktopStack spread = stackOf(t, {u"c.txt"_s}, u"Notes"_s);
    t.manager().spread(spread.id, false);
    t.scheduler.runUntilIdle();
    t.manager().operations().conversion.convertStacks({spread.id});
    const DesktopStack notes = stackOf(t, {u"d.txt"_s}, u"Notes"_s);
    QCOMPARE(notes.folderName, spread.folderName);
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.record(spread.id)->state, StackState::expanded);
    QCOMPARE(t.record(spread.id)->folderName, std::optional<QString>(u"Notes 2"_s));
    t.manager().restack(spread.id, false);
    t.scheduler.runUntilIdle();
    QCOMPARE(t.namesIn(t.stackFolder(*t.record(spread.id))), QStringList{u"c.txt"_s});
    QCOMPARE(t.namesIn(t.stackFolder(notes)), QStringList{u"d.txt"_s});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
