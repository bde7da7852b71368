#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackManager.h"
#include "engine/StackSelection.h"
#include "engine/StackWindows.h"
#include "operations/BinMover.h"
#include "operations/Dissolver.h"
#include "operations/StackRemoval.h"
#include "operations/UndoState.h"
#include "store/QuotedList.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

using std::chrono::milliseconds;

namespace {

const QString failedText =
    u"Some items couldn't be moved to the Bin and remain in their stacks: "_s;

QString quoted(const QString& name)
{
    return u"\u201C"_s + name + u"\u201D"_s;
}

// The Trash's record of where a trashed item came from.
QString trashedFrom(const TempHome& home, const QString& trashedName)
{
    const QByteArray info =
        TempHome::read(home.dataRoot() + u"/Trash/info/"_s + trashedName + u".trashinfo"_s);
    for (const QByteArray& line : info.split('\n')) {
        if (line.startsWith("Path="))
            return QUrl::fromPercentEncoding(line.mid(5));
    }
    return QString();
}

// Confirms, and lets the trashing run to its end.
void binStacks(TestServices& t, const QList<QUuid>& ids)
{
    t.alerts.answer(u"Move to Bin"_s);
    t.manager().operations().binMover.moveStacksToBin(ids);
    t.scheduler.runUntilIdle();
}

} // namespace

class TestStackRemoval : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dissolveAllAsksThenPutsEveryFileBackFirst();
    void removingFollowsTheSelectionInListOrder();
    void leftoversKeepTheFolderAndAreReported();
    void askedFirstAndOnlyTheBinButtonGoesOn();
    void filesGoToTheTrashWhole();
    void fileMovedElsewhereStaysInItsStack();
    void filesTheTrashRefusesStayInTheirStacks_data();
    void filesTheTrashRefusesStayInTheirStacks();
};

void TestStackRemoval::dissolveAllAsksThenPutsEveryFileBackFirst()
{
    TestServices t;
    t.manager().dissolveAll();
    QCOMPARE(t.alerts.beeps, 1);
    QList<DesktopStack> stacks;
    for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s})
        stacks.append(t.stackNew({name}));
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

void TestStackRemoval::removingFollowsTheSelectionInListOrder()
{
    TestServices t;
    QList<QUuid> ids;
    for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"d.txt"_s, u"e.txt"_s})
        ids.append(t.stackNew({name}).id);
    StackManager& m = t.manager();
    // A removed stack (spread here) leaves no record, window or selection behind.
    m.selection().select({ids.at(4), ids.at(3)});
    m.spread(ids.at(4), false);
    m.operations().removal.removeStack(ids.at(4), true);
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), m.stacks());
    QCOMPARE(m.selection().selected(), QSet<QUuid>{ids.at(3)});
    QVERIFY(t.windows.window(ids.at(3))->isSelected);
    QVERIFY(!m.windows().window(ids.at(4)));
    // Removing what is not there only saves.
    m.operations().removal.removeStack(QUuid::createUuid(), true);
    QCOMPARE(m.stacks().size(), 4);
    QVERIFY(QFileInfo::exists(t.storageFolder()));

    // The menu of a selected stack dissolves the selection in list order; of another, that one.
    m.selection().select({ids.at(2), ids.at(0), ids.at(1)});
    QCOMPARE(m.operations().dissolver.targetsOfWindowCommand(ids.at(1)),
             (QList<QUuid>{ids.at(0), ids.at(1), ids.at(2)}));
    QCOMPARE(m.operations().dissolver.targetsOfWindowCommand(ids.at(3)), QList<QUuid>{ids.at(3)});
    m.operations().dissolver.dissolveFromMenu(ids.at(3));
    QCOMPARE(m.stacks().size(), 3);
    m.operations().dissolver.dissolveFromMenu(ids.at(2));
    QVERIFY(m.stacks().isEmpty() && m.selection().selected().isEmpty());
    QVERIFY(t.alerts.shown.isEmpty());
    t.scheduler.runUntilIdle();
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
        QVERIFY(QFile::exists(t.desktopPath(QString::fromUtf8(name))));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStackRemoval::leftoversKeepTheFolderAndAreReported()
{
    TestServices t;
    LogCapture log;
    const DesktopStack stack = t.stackNew({u"stuck.txt"_s, u"free.txt"_s});
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
    const DesktopStack other = t.stackNew({u"x.txt"_s});
    // The user takes the leftover out and removes its folder.
    QVERIFY(QFile::rename(folder + u"/stuck.txt"_s, t.desktopPath(u"stuck.txt"_s)));
    QVERIFY(QDir().rmdir(folder));
    t.home.write(u"Documents/.Tidora/"_s + *other.folderName + u"/.DS_Store"_s);
    t.manager().operations().dissolver.dissolveFromMenu(other.id);
    QCOMPARE(t.alerts.shown.size(), 1);
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStackRemoval::askedFirstAndOnlyTheBinButtonGoesOn()
{
    TestServices t;
    const DesktopStack one = t.stackNew({u"a.txt"_s});
    const DesktopStack two = t.stackNew({u"b.txt"_s, u"c.txt"_s});
    // Return cancels; closing the alert without a button is no confirmation either.
    t.alerts.answer(u"Cancel"_s);
    t.manager().operations().binMover.moveStacksToBin({one.id});
    QCOMPARE(t.alerts.shown.last().defaultButton, 0);
    t.alerts.answerAll([](const Alert&) { return ScriptedAlerts::Reply{u"none"_s}; });
    // Unknown ids are left out of the count.
    t.manager().operations().binMover.moveStacksToBin({two.id, QUuid::createUuid(), one.id});
    QCOMPARE(t.alerts.shown.last().message, u"Move 2 stacks to the Bin?"_s);
    QVERIFY(t.alerts.shown.last().informativeText.startsWith(u"3 files or folders will move"_s));
    t.scheduler.runUntilIdle();
    QCOMPARE(t.manager().stacks().size(), 2);
    QVERIFY(QFileInfo::exists(t.stackFolder(one) + u"/a.txt"_s));
    // Nothing known, or work under way: no question.
    t.manager().operations().binMover.moveStacksToBin({QUuid::createUuid()});
    t.manager().undoState().setIsWorking(true);
    t.manager().operations().binMover.moveStacksToBin({one.id});
    QCOMPARE(t.alerts.shown.size(), 2);
    t.manager().undoState().setIsWorking(false);

    // A stack with no items is simply removed.
    DesktopStack empty = one;
    empty.id = QUuid::createUuid();
    empty.items.clear();
    empty.folderName = u"Empty"_s;
    t.manager().storeStack(empty);
    binStacks(t, {empty.id});
    QVERIFY(!t.record(empty.id));
    QCOMPARE(t.manager().stacks().size(), 2);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStackRemoval::filesGoToTheTrashWhole()
{
    TestServices t;
    t.invariant.allowTrash();
    t.addDesktopFile(u"a.txt"_s);
    t.addDesktopFile(u"odd \"name\"\twith\\tab"_s);
    t.invariant.addFile(u"Desktop/folder/inside.txt"_s);
    t.invariant.addSymlink(u"Desktop/link"_s, u"/etc/hostname"_s);
    t.addDesktopFile(u"s.txt"_s, QPointF(100, 100));
    const DesktopStack stack =
        *t.stack({u"a.txt"_s, u"odd \"name\"\twith\\tab"_s, u"folder"_s, u"link"_s});
    // A spread stack is trashed from the Desktop.
    const DesktopStack spread = *t.stack({u"s.txt"_s});
    t.manager().spread(spread.id, false);
    t.scheduler.runUntilIdle();
    const QString folder = t.stackFolder(stack);
    int trashed = 0;
    bool inBackground = true;
    t.fs.failTrash([&](const QString&) {
        ++trashed;
        inBackground = inBackground && t.scheduler.inBackgroundWork();
        return false;
    });
    t.alerts.answer(u"Move to Bin"_s);
    t.manager().operations().binMover.moveStacksToBin({stack.id, spread.id});
    // Work off the GUI thread; asked again meanwhile: dropped, not asked twice.
    QVERIFY(t.manager().undoState().isWorking());
    QCOMPARE(trashed, 0);
    t.manager().operations().binMover.moveStacksToBin({stack.id});
    QCOMPARE(t.alerts.shown.size(), 1);
    t.scheduler.runUntilIdle();
    QCOMPARE(trashed, 5);
    QVERIFY(inBackground);
    QVERIFY(!t.manager().undoState().isWorking());

    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(!t.windows.window(stack.id));
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(!t.manager().undoState().hasStacks());
    QCOMPARE(t.namesIn(t.home.trashFiles()),
             (QStringList{u"a.txt"_s, u"folder"_s, u"link"_s, u"odd \"name\"\twith\\tab"_s,
                          u"s.txt"_s}));
    QVERIFY(QFileInfo(t.home.trashFiles() + u"/link"_s).isSymLink());
    // Each can be restored to where it was.
    QCOMPARE(trashedFrom(t.home, u"odd \"name\"\twith\\tab"_s),
             folder + u"/odd \"name\"\twith\\tab"_s);
    QCOMPARE(trashedFrom(t.home, u"s.txt"_s), t.desktopPath(u"s.txt"_s));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStackRemoval::fileMovedElsewhereStaysInItsStack()
{
    TestServices t;
    t.invariant.allowTrash();
    const DesktopStack first = t.stackNew({u"a.txt"_s, u"b.txt"_s});
    const DesktopStack second = t.stackNew({u"c.txt"_s});
    // The user takes b.txt out of the stack folder onto the Desktop, and c.txt into a folder
    // of its own inside the stack folder.
    QVERIFY(QFile::rename(t.stackFolder(first) + u"/b.txt"_s, t.desktopPath(u"b.txt"_s)));
    const QString nested = t.stackFolder(second) + u"/sub"_s;
    QVERIFY(QDir().mkdir(nested));
    QVERIFY(QFile::rename(t.stackFolder(second) + u"/c.txt"_s, nested + u"/c.txt"_s));
    binStacks(t, {first.id, second.id});

    QCOMPARE(t.alerts.messages().last(),
             failedText + quoted(u"b.txt"_s) + u", "_s + quoted(u"c.txt"_s) + u"."_s);
    QCOMPARE(TestServices::itemNames(*t.record(first.id)), QStringList{u"b.txt"_s});
    QCOMPARE(TestServices::itemNames(*t.record(second.id)), QStringList{u"c.txt"_s});
    QCOMPARE(t.windows.window(first.id)->record, *t.record(first.id));
    QVERIFY(QFileInfo::exists(t.desktopPath(u"b.txt"_s)));
    QVERIFY(QFileInfo::exists(nested + u"/c.txt"_s));
    QCOMPARE(t.namesIn(t.home.trashFiles()), QStringList{u"a.txt"_s});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

// How a broken Trash fails is the file system's to tell (see its tests); here, what is refused
// stays in its stack and is named.
void TestStackRemoval::filesTheTrashRefusesStayInTheirStacks_data()
{
    QTest::addColumn<bool>("trashRefuses");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QString>("reason");
    const QString longName = QString(246, u'n') + u".txt"_s;
    QTest::newRow("250-byte name") << false << QStringList{longName} << u"File name too long"_s;
    QTest::newRow("Trash refuses")
        << true << QStringList{u"a.txt"_s, longName} << FaultyFileSystem::injected;
}

void TestStackRemoval::filesTheTrashRefusesStayInTheirStacks()
{
    QFETCH(bool, trashRefuses);
    QFETCH(QStringList, refused);
    QFETCH(QString, reason);
    TestServices t;
    t.invariant.allowTrash();
    const QString longName = QString(246, u'n') + u".txt"_s;
    const DesktopStack stack = t.stackNew({u"a.txt"_s, longName});
    if (trashRefuses)
        t.fs.failTrash([](const QString&) { return true; });

    binStacks(t, {stack.id});
    QCOMPARE(t.alerts.messages().last(), failedText + quotedList(refused) + u'.');
    const QString why = t.alerts.shown.last().informativeText;
    QVERIFY2(why.contains(reason), qPrintable(why));
    QCOMPARE(TestServices::itemNames(*t.record(stack.id)), refused);
    QCOMPARE(t.namesIn(t.stackFolder(stack)), refused);
    QCOMPARE(t.namesIn(t.home.trashFiles()).size(), 2 - refused.size());
    QVERIFY(!t.manager().undoState().isWorking());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestStackRemoval)
#include "tst_stackremoval.moc"
