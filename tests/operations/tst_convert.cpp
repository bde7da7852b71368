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

namespace {

const QString stuckText = QStringLiteral("Some files couldn't be moved into a folder, so they stay "
                                         "in their stack: ");
const QString missingText = QStringLiteral("Some files weren't put back because they are no "
                                           "longer in the folder: ");

QString quoted(const QString& name)
{
    return QStringLiteral("\u201C") + name + QStringLiteral("\u201D");
}

// A stack of new Desktop files, its window at `origin`.
DesktopStack stackAt(TestServices& t, const QStringList& names, const QString& stackName,
                     QPointF origin)
{
    for (const QString& name : names)
        t.addDesktopFile(name);
    t.manager().stackFiles(t.desktopFiles(names), stackName, origin);
    return t.manager().stacks().last();
}

DesktopStack stackOf(TestServices& t, const QStringList& names, const QString& stackName)
{
    return stackAt(t, names, stackName, QPointF(200, 300));
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
    void undoBringsCollapsedStacksBack();
    void undoOfASpreadStackPlacesTheIcons();
    void undoAfterTheFolderWasChanged();
    void undoOfAPartlyConvertedStackJoinsWhatStayed();
    void undoPutsBackWhenTheStorageFolderCannotBeMade();
    void undoDoesNotShareAFolderWithANewerStack();
};

void TestConvert::convertAllAsksAndRunsAsWork()
{
    TestServices t;
    // Nothing to convert: a beep, no question.
    t.manager().convertAll();
    QCOMPARE(t.alerts.beeps, 1);
    const DesktopStack one = stackOf(t, {QStringLiteral("a.txt")}, QStringLiteral("Notes"));
    t.manager().undoState().setIsWorking(true);
    t.manager().convertAll();
    QCOMPARE(t.alerts.beeps, 2);
    QVERIFY(t.alerts.shown.isEmpty());
    t.manager().undoState().setIsWorking(false);

    t.alerts.answer(QStringLiteral("Cancel"));
    t.manager().convertAll();
    QCOMPARE(t.alerts.shown.last().message, QStringLiteral("Convert the stack into a folder?"));
    t.scheduler.runUntilIdle();
    QCOMPARE(t.manager().stacks().size(), 1);

    stackOf(t, {QStringLiteral("b.txt")}, QStringLiteral("More"));
    t.alerts.answer(QStringLiteral("Convert"));
    t.manager().convertAll();
    QCOMPARE(t.alerts.shown.last().message, QStringLiteral("Convert all 2 stacks into folders?"));
    // Work: the menu is blocked at once, the stacks go when it runs.
    QVERIFY(t.manager().undoState().isWorking());
    QCOMPARE(t.manager().stacks().size(), 2);
    t.scheduler.runUntilIdle();
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(!t.manager().undoState().isWorking());
    QVERIFY(t.manager().undoState().available());
    QVERIFY(t.windows.window(one.id) == nullptr);
    QCOMPARE(t.namesIn(t.desktopPath(QStringLiteral("TR_Notes"))),
             QStringList{QStringLiteral("a.txt")});
    QCOMPARE(t.namesIn(t.desktopPath(QStringLiteral("TR_More"))),
             QStringList{QStringLiteral("b.txt")});
    // The emptied stack folders went, and the storage folder with them.
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(StackListFile(t.paths, t.fs).loadStackList().isEmpty());
    QVERIFY(t.alerts.problems.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::folderNamesFollowTheStackName()
{
    TestServices t;
    const DesktopStack first = stackOf(t, {QStringLiteral("a.txt")}, QStringLiteral("a/b: c"));
    const DesktopStack second = stackOf(t, {QStringLiteral("b.txt")}, QStringLiteral("a/b: c"));
    const DesktopStack dots = stackOf(t, {QStringLiteral("c.txt")}, QStringLiteral("..."));
    // A name at the longest a file name can be still makes a folder.
    const DesktopStack longName =
        stackOf(t, {QStringLiteral("d.txt")}, QString(300, QLatin1Char('x')));
    t.manager().operations().conversion.convertStacks({first.id, second.id, dots.id, longName.id});
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("TR_a-b- c/a.txt"))));
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("TR_a-b- c 2/b.txt"))));
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("TR_Stack/c.txt"))));
    const QList<Conversion>& last = t.manager().undoState().lastConversion();
    QCOMPARE(last.size(), 4);
    QCOMPARE(QFileInfo(last.at(3).folder).fileName().toUtf8().size(), 255);
    QVERIFY(QFileInfo::exists(last.at(3).folder + QStringLiteral("/d.txt")));
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(t.alerts.shown.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::folderStandsWhereTheWindowStood()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.png"), QPointF(500, 100));
    t.addDesktopFile(QStringLiteral("b.png"), QPointF(600, 100));
    t.manager().stackFiles(t.desktopFiles({QStringLiteral("a.png"), QStringLiteral("b.png")}),
                           QStringLiteral("Shots"), QPointF(200, 300));
    const DesktopStack stack = t.manager().stacks().last();
    t.desktop.clearCalls();
    t.manager().operations().conversion.convertStacks({stack.id});

    const Conversion conversion = t.manager().undoState().lastConversion().value(0);
    QCOMPARE(conversion.stack, stack);
    QCOMPARE(conversion.folder, t.desktopPath(QStringLiteral("TR_Shots")));
    // The window's centre on the Desktop: (200 + 70, 800 − 300 − 75).
    QCOMPARE(conversion.spot, QPointF(270, 425));
    QCOMPARE(conversion.moved.size(), 2);
    for (qsizetype i = 0; i < conversion.moved.size(); ++i) {
        const StackItem& item = conversion.moved.at(i);
        QCOMPARE(item.id, stack.items.at(i).id);
        QCOMPARE(item.position, stack.items.at(i).position);
        QCOMPARE(t.bookmarks().resolve(item.bookmark),
                 std::optional<QString>(conversion.folder + QLatin1Char('/') + item.name));
    }
    // Announced before the folder appeared, then placed.
    QCOMPARE(t.desktop.callTexts(),
             QStringList{QStringLiteral("announcePositions TR_Shots (270, 425)")});
    t.scheduler.runUntilIdle();
    QCOMPARE(*t.desktop.icon(QStringLiteral("TR_Shots")), QPointF(270, 425));

    // A desktop program that refuses the placement is reported; the files are in place.
    const DesktopStack other = stackOf(t, {QStringLiteral("c.txt")}, QStringLiteral("Other"));
    const BridgeError refused{QStringLiteral("No."), 1};
    t.desktop.fail(FakeDesktop::Operation::setDesktopPositions, refused);
    t.manager().operations().conversion.convertStacks({other.id});
    t.scheduler.runUntilIdle();
    QCOMPARE(t.alerts.messages(), QStringList{refused.description()});
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("TR_Other/c.txt"))));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::filesThatCannotMoveStayInTheirStack()
{
    TestServices t;
    LogCapture log;
    const DesktopStack stack =
        stackOf(t, {QStringLiteral("a.txt"), QStringLiteral("stuck.txt"), QStringLiteral("c.txt")},
                QStringLiteral("Mixed"));
    const DesktopStack other = stackOf(t, {QStringLiteral("stuck.txt 2")}, QStringLiteral("Two"));
    t.fs.failMoves([](const QString& from, const QString&) {
        return from.endsWith(QLatin1String("/stuck.txt")) ||
               from.endsWith(QLatin1String("/stuck.txt 2"));
    });
    t.manager().operations().conversion.convertStacks({stack.id, other.id});

    // One alert after the batch names every file that stayed.
    QCOMPARE(t.alerts.messages(),
             QStringList{stuckText + quoted(QStringLiteral("stuck.txt")) + QStringLiteral(", ") +
                         quoted(QStringLiteral("stuck.txt 2")) + QStringLiteral(".")});
    const DesktopStack rest = *t.record(stack.id);
    QCOMPARE(TestServices::itemNames(rest), QStringList{QStringLiteral("stuck.txt")});
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), t.manager().stacks());
    QCOMPARE(t.namesIn(t.desktopPath(QStringLiteral("TR_Mixed"))),
             (QStringList{QStringLiteral("a.txt"), QStringLiteral("c.txt")}));
    // A stack none of whose files moved still leaves its (empty) folder, and can be undone.
    QCOMPARE(t.manager().undoState().lastConversion().size(), 2);
    QVERIFY(t.manager().undoState().lastConversion().at(1).moved.isEmpty());
    QVERIFY(QFileInfo(t.desktopPath(QStringLiteral("TR_Two"))).isDir());
    TIDORA_CHECK_INVARIANT(t.invariant);

    t.fs.clearFailures();
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(TestServices::itemNames(*t.record(stack.id)),
             (QStringList{QStringLiteral("stuck.txt"), QStringLiteral("a.txt"),
                          QStringLiteral("c.txt")}));
    QVERIFY(!QFileInfo::exists(t.desktopPath(QStringLiteral("TR_Mixed"))));
    QVERIFY(!QFileInfo::exists(t.desktopPath(QStringLiteral("TR_Two"))));
    QCOMPARE(t.alerts.shown.size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::folderThatCannotBeMadeLeavesTheStackAlone()
{
    TestServices t;
    LogCapture log;
    const DesktopStack blocked = stackOf(t, {QStringLiteral("a.txt")}, QStringLiteral("Blocked"));
    const DesktopStack fine = stackOf(t, {QStringLiteral("b.txt")}, QStringLiteral("Fine"));
    const DesktopStack also = stackOf(t, {QStringLiteral("c.txt")}, QStringLiteral("Also"));
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
    QVERIFY(t.alerts.messages().first().contains(QStringLiteral("\u201CTR_Blocked\u201D")));
    TIDORA_CHECK_INVARIANT(t.invariant);

    // A batch that converts nothing keeps what can be undone.
    t.manager().operations().conversion.convertStacks({blocked.id});
    QCOMPARE(t.manager().undoState().lastConversion().value(0).stack.id, fine.id);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::onlyTheLastBatchCanBeUndone()
{
    TestServices t;
    const DesktopStack a = stackOf(t, {QStringLiteral("a.txt")}, QStringLiteral("A"));
    const DesktopStack b = stackOf(t, {QStringLiteral("b.txt")}, QStringLiteral("B"));
    const DesktopStack c = stackOf(t, {QStringLiteral("c.txt")}, QStringLiteral("C"));
    t.manager().operations().conversion.convertStacks({a.id, b.id});
    t.manager().operations().conversion.convertStacks({c.id});
    QCOMPARE(t.manager().undoState().lastConversion().size(), 1);
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.manager().stacks().size(), 1);
    QCOMPARE(t.manager().stacks().first().id, c.id);
    QVERIFY(!t.manager().undoState().available());
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("TR_A/a.txt"))));
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("TR_B/b.txt"))));
    QVERIFY(!QFileInfo::exists(t.desktopPath(QStringLiteral("TR_C"))));
    // Undone once: a second undo has nothing left.
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.alerts.beeps, 1);
    QCOMPARE(t.manager().stacks().size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::undoBringsCollapsedStacksBack()
{
    TestServices t;
    const DesktopStack stack =
        stackOf(t, {QStringLiteral("a.txt"), QStringLiteral("b.txt")}, QStringLiteral("Pair"));
    t.manager().operations().conversion.convertStacks({stack.id});
    QVERIFY(!QFileInfo::exists(t.stackFolder(stack)));
    // Finder's metadata file alone does not keep the folder.
    t.home.write(QStringLiteral("Desktop/TR_Pair/.DS_Store"));
    t.manager().undoLastConversion();
    QVERIFY(t.manager().undoState().isWorking());
    t.scheduler.runUntilIdle();

    const DesktopStack back = *t.record(stack.id);
    QCOMPARE(back.folderName, stack.folderName);
    QCOMPARE(back.state, StackState::collapsed);
    QCOMPARE(back.windowOrigin, stack.windowOrigin);
    QCOMPARE(t.namesIn(t.stackFolder(back)),
             (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    QCOMPARE(t.manager().operations().files.resolvedFiles(back).size(), 2);
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), t.manager().stacks());
    QVERIFY(!QFileInfo::exists(t.desktopPath(QStringLiteral("TR_Pair"))));
    QVERIFY(t.alerts.shown.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::undoOfASpreadStackPlacesTheIcons()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.pdf"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.pdf"), QPointF(200, 300));
    const DesktopStack stack = *t.stack({QStringLiteral("a.pdf"), QStringLiteral("b.pdf")});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.manager().operations().conversion.convertStacks({stack.id});
    t.scheduler.runUntilIdle();
    // A file of the same name arrived on the Desktop meanwhile.
    t.addDesktopFile(QStringLiteral("a.pdf"), QPointF(700, 100));
    t.desktop.clearCalls();

    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.desktop.callTexts().first(),
             QStringLiteral("announcePositions a 2.pdf (100, 100), b.pdf (200, 300)"));
    const DesktopStack back = *t.record(stack.id);
    QCOMPARE(back.state, StackState::expanded);
    QCOMPARE(TestServices::itemNames(back),
             (QStringList{QStringLiteral("a 2.pdf"), QStringLiteral("b.pdf")}));
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("a 2.pdf"))));
    QVERIFY(!QFileInfo::exists(t.desktopPath(QStringLiteral("TR_2 PDFs"))));
    QCOMPARE(*t.desktop.icon(QStringLiteral("b.pdf")), QPointF(200, 300));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::undoAfterTheFolderWasChanged()
{
    TestServices t;
    const DesktopStack stack = stackOf(t,
                                       {QStringLiteral("a.txt"), QStringLiteral("b.txt"),
                                        QStringLiteral("c.txt"), QStringLiteral("d.txt")},
                                       QStringLiteral("Four"));
    t.manager().operations().conversion.convertStacks({stack.id});
    const QString folder = t.desktopPath(QStringLiteral("TR_Four"));
    // The user renames a file inside, takes two out (onto the Desktop, into another folder
    // there) and puts one of their own in.
    QVERIFY(
        QFile::rename(folder + QStringLiteral("/a.txt"), folder + QStringLiteral("/renamed.txt")));
    QVERIFY(
        QFile::rename(folder + QStringLiteral("/b.txt"), t.desktopPath(QStringLiteral("b.txt"))));
    t.home.makeFolder(QStringLiteral("Desktop/Elsewhere"));
    QVERIFY(QFile::rename(folder + QStringLiteral("/c.txt"),
                          t.desktopPath(QStringLiteral("Elsewhere/c.txt"))));
    t.invariant.addFile(QStringLiteral("Desktop/TR_Four/mine.txt"));
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();

    const DesktopStack back = *t.record(stack.id);
    QCOMPARE(TestServices::itemNames(back),
             (QStringList{QStringLiteral("renamed.txt"), QStringLiteral("d.txt")}));
    QVERIFY(QFileInfo::exists(t.stackFolder(back) + QStringLiteral("/renamed.txt")));
    QCOMPARE(t.alerts.messages(),
             QStringList{missingText + quoted(QStringLiteral("b.txt")) + QStringLiteral(", ") +
                         quoted(QStringLiteral("c.txt")) + QStringLiteral(".")});
    // What the user took out or put in stays where they put it.
    QCOMPARE(t.namesIn(folder), QStringList{QStringLiteral("mine.txt")});
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("b.txt"))));
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("Elsewhere/c.txt"))));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::undoOfAPartlyConvertedStackJoinsWhatStayed()
{
    TestServices t;
    const DesktopStack stack =
        stackOf(t, {QStringLiteral("a.txt"), QStringLiteral("stuck.txt")}, QStringLiteral("Part"));
    t.fs.failMovesOf(QStringLiteral("stuck.txt"));
    t.manager().operations().conversion.convertStacks({stack.id});
    t.fs.clearFailures();
    // The rest of the stack was spread since: what comes back goes onto the Desktop.
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    const DesktopStack back = *t.record(stack.id);
    QCOMPARE(back.state, StackState::expanded);
    QCOMPARE(TestServices::itemNames(back),
             (QStringList{QStringLiteral("stuck.txt"), QStringLiteral("a.txt")}));
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("a.txt"))));
    QCOMPARE(t.manager().stacks().size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::undoPutsBackWhenTheStorageFolderCannotBeMade()
{
    TestServices t;
    const DesktopStack a = stackOf(t, {QStringLiteral("a.txt")}, QStringLiteral("A"));
    t.manager().spread(a.id, false);
    t.scheduler.runUntilIdle();
    const DesktopStack b = stackOf(t, {QStringLiteral("b.txt")}, QStringLiteral("B"));
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
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("TR_B/b.txt"))));
    TIDORA_CHECK_INVARIANT(t.invariant);

    t.fs.clearFailures();
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(TestServices::itemNames(*t.record(b.id)), QStringList{QStringLiteral("b.txt")});
    QVERIFY(!t.manager().undoState().available());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestConvert::undoDoesNotShareAFolderWithANewerStack()
{
    TestServices t;
    const DesktopStack old = stackOf(t, {QStringLiteral("a.txt")}, QStringLiteral("Photos"));
    t.manager().operations().conversion.convertStacks({old.id});
    // A new stack of the same name takes the folder name that became free.
    const DesktopStack newer = stackOf(t, {QStringLiteral("b.txt")}, QStringLiteral("Photos"));
    QCOMPARE(newer.folderName, old.folderName);
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    const DesktopStack back = *t.record(old.id);
    QCOMPARE(back.folderName, std::optional<QString>(QStringLiteral("Photos 2")));
    QCOMPARE(t.namesIn(t.stackFolder(back)), QStringList{QStringLiteral("a.txt")});
    QCOMPARE(t.namesIn(t.stackFolder(*t.record(newer.id))), QStringList{QStringLiteral("b.txt")});
    TIDORA_CHECK_INVARIANT(t.invariant);

    // A spread stack comes back onto the Desktop, yet must not keep the name either: gathered
    // again, it would share the newer stack's folder.
    const DesktopStack spread = stackOf(t, {QStringLiteral("c.txt")}, QStringLiteral("Notes"));
    t.manager().spread(spread.id, false);
    t.scheduler.runUntilIdle();
    t.manager().operations().conversion.convertStacks({spread.id});
    const DesktopStack notes = stackOf(t, {QStringLiteral("d.txt")}, QStringLiteral("Notes"));
    QCOMPARE(notes.folderName, spread.folderName);
    t.manager().undoLastConversion();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.record(spread.id)->state, StackState::expanded);
    QCOMPARE(t.record(spread.id)->folderName, std::optional<QString>(QStringLiteral("Notes 2")));
    t.manager().restack(spread.id, false);
    t.scheduler.runUntilIdle();
    QCOMPARE(t.namesIn(t.stackFolder(*t.record(spread.id))), QStringList{QStringLiteral("c.txt")});
    QCOMPARE(t.namesIn(t.stackFolder(notes)), QStringList{QStringLiteral("d.txt")});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
