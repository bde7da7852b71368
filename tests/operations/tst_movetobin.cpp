#include "TestServices.h"
#include "engine/StackManager.h"
#include "operations/BinMover.h"
#include "operations/UndoState.h"
#include "store/QuotedList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

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

class TestMoveToBin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void askedFirstAndOnlyTheBinButtonGoesOn();
    void filesGoToTheTrashWhole();
    void spreadStackIsTrashedFromTheDesktop();
    void fileMovedElsewhereStaysInItsStack();
    void trashingIsWorkOffTheGuiThread();
    void filesTheTrashRefusesStayInTheirStacks_data();
    void filesTheTrashRefusesStayInTheirStacks();
};

void TestMoveToBin::askedFirstAndOnlyTheBinButtonGoesOn()
{
    TestServices t;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        t.addDesktopFile(QString::fromUtf8(name));
    const DesktopStack one = *t.stack({u"a.txt"_s});
    const DesktopStack two = *t.stack({u"b.txt"_s, u"c.txt"_s});
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

void TestMoveToBin::filesGoToTheTrashWhole()
{
    TestServices t;
    t.invariant.allowTrash();
    t.addDesktopFile(u"a.txt"_s);
    t.addDesktopFile(u"odd \"name\"\twith\\tab"_s);
    t.invariant.addFile(u"Desktop/folder/inside.txt"_s);
    t.invariant.addSymlink(u"Desktop/link"_s, u"/etc/hostname"_s);
    const DesktopStack stack =
        *t.stack({u"a.txt"_s, u"odd \"name\"\twith\\tab"_s, u"folder"_s, u"link"_s});
    const QString folder = t.stackFolder(stack);
    binStacks(t, {stack.id});

    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(!t.windows.window(stack.id));
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(!t.manager().undoState().hasStacks());
    QCOMPARE(t.namesIn(t.home.trashFiles()),
             (QStringList{u"a.txt"_s, u"folder"_s, u"link"_s, u"odd \"name\"\twith\\tab"_s}));
    QVERIFY(QFileInfo(t.home.trashFiles() + u"/link"_s).isSymLink());
    // Each can be restored to where it was.
    QCOMPARE(trashedFrom(t.home, u"a.txt"_s), folder + u"/a.txt"_s);
    QCOMPARE(trashedFrom(t.home, u"odd \"name\"\twith\\tab"_s),
             folder + u"/odd \"name\"\twith\\tab"_s);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestMoveToBin::spreadStackIsTrashedFromTheDesktop()
{
    TestServices t;
    t.invariant.allowTrash();
    t.addDesktopFile(u"a.txt"_s, QPointF(100, 100));
    t.addDesktopFile(u"b.txt"_s, QPointF(200, 100));
    const DesktopStack stack = *t.stack({u"a.txt"_s, u"b.txt"_s});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    binStacks(t, {stack.id});
    QVERIFY(t.manager().stacks().isEmpty());
    QCOMPARE(trashedFrom(t.home, u"a.txt"_s), t.desktopPath(u"a.txt"_s));
    QVERIFY(!QFileInfo::exists(t.desktopPath(u"b.txt"_s)));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestMoveToBin::fileMovedElsewhereStaysInItsStack()
{
    TestServices t;
    t.invariant.allowTrash();
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        t.addDesktopFile(QString::fromUtf8(name));
    const DesktopStack first = *t.stack({u"a.txt"_s, u"b.txt"_s});
    const DesktopStack second = *t.stack({u"c.txt"_s});
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

void TestMoveToBin::trashingIsWorkOffTheGuiThread()
{
    TestServices t;
    t.invariant.allowTrash();
    t.addDesktopFile(u"a.txt"_s);
    t.addDesktopFile(u"b.txt"_s);
    const DesktopStack stack = *t.stack({u"a.txt"_s, u"b.txt"_s});
    int trashed = 0;
    bool inBackground = true;
    t.fs.failTrash([&](const QString&) {
        ++trashed;
        inBackground = inBackground && t.scheduler.inBackgroundWork();
        return false;
    });
    t.alerts.answer(u"Move to Bin"_s);
    t.manager().operations().binMover.moveStacksToBin({stack.id});
    QVERIFY(t.manager().undoState().isWorking());
    QCOMPARE(trashed, 0);
    // Asked again meanwhile: dropped, not asked twice.
    t.manager().operations().binMover.moveStacksToBin({stack.id});
    QCOMPARE(t.alerts.shown.size(), 1);

    t.scheduler.runUntilIdle();
    QCOMPARE(trashed, 2);
    QVERIFY(inBackground);
    QVERIFY(!t.manager().undoState().isWorking());
    QVERIFY(t.manager().stacks().isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestMoveToBin::filesTheTrashRefusesStayInTheirStacks_data()
{
    QTest::addColumn<QString>("trash");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QString>("reason");
    const QString longName = QString(246, QLatin1Char('n')) + u".txt"_s;
    QTest::newRow("250-byte name") << QString() << QStringList{longName} << u"File name too long"_s;
    QTest::newRow("Trash a dangling link")
        << u"dangling link"_s << QStringList{u"a.txt"_s, longName} << u"Not a directory"_s;
    QTest::newRow("Trash refuses")
        << u"refuses"_s << QStringList{u"a.txt"_s, longName} << FaultyFileSystem::injected;
    QTest::newRow("Trash a plain file")
        << u"plain file"_s << QStringList{u"a.txt"_s, longName} << u"Not a directory"_s;
}

void TestMoveToBin::filesTheTrashRefusesStayInTheirStacks()
{
    QFETCH(QString, trash);
    QFETCH(QStringList, refused);
    QFETCH(QString, reason);
    TestServices t;
    t.invariant.allowTrash();
    // Where an autostarted program runs.
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(t.home.home()));
    const auto back = qScopeGuard([&current] { QDir::setCurrent(current); });
    const QString longName = QString(246, QLatin1Char('n')) + u".txt"_s;
    t.addDesktopFile(u"a.txt"_s);
    t.addDesktopFile(longName);
    const DesktopStack stack = *t.stack({u"a.txt"_s, longName});
    const QString folder = t.home.dataRoot() + u"/Trash"_s;
    if (trash == QLatin1String("dangling link"))
        QVERIFY(QFile::link(t.home.home() + u"/gone"_s, folder));
    else if (trash == QLatin1String("plain file"))
        t.home.write(u".local/share/Trash"_s, "plain");
    else if (trash == QLatin1String("refuses"))
        t.fs.failTrash([](const QString&) { return true; });
    t.invariant.takeSnapshot();

    binStacks(t, {stack.id});
    QCOMPARE(t.alerts.messages().last(), failedText + quotedList(refused) + QLatin1Char('.'));
    const QString why = t.alerts.shown.last().informativeText;
    QVERIFY2(why.contains(reason), qPrintable(why));
    QCOMPARE(TestServices::itemNames(*t.record(stack.id)), refused);
    QCOMPARE(t.namesIn(t.stackFolder(stack)), refused);
    QCOMPARE(t.namesIn(t.home.trashFiles()).size(), 2 - refused.size());
    QVERIFY(!QFileInfo::exists(t.home.home() + u"/files"_s));
    QVERIFY(!t.manager().undoState().isWorking());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestMoveToBin)
#include "tst_movetobin.moc"
