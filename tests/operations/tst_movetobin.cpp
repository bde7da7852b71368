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

namespace {

const QString failedText =
    QStringLiteral("Some items couldn't be moved to the Bin and remain in their stacks: ");

QString quoted(const QString& name)
{
    return QStringLiteral("\u201C") + name + QStringLiteral("\u201D");
}

// The Trash's record of where a trashed item came from.
QString trashedFrom(const TempHome& home, const QString& trashedName)
{
    const QByteArray info = TempHome::read(home.dataRoot() + QStringLiteral("/Trash/info/") +
                                           trashedName + QStringLiteral(".trashinfo"));
    for (const QByteArray& line : info.split('\n')) {
        if (line.startsWith("Path="))
            return QUrl::fromPercentEncoding(line.mid(5));
    }
    return QString();
}

// Confirms, and lets the trashing run to its end.
void binStacks(TestServices& t, const QList<QUuid>& ids)
{
    t.alerts.answer(QStringLiteral("Move to Bin"));
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
    const DesktopStack one = *t.stack({QStringLiteral("a.txt")});
    const DesktopStack two = *t.stack({QStringLiteral("b.txt"), QStringLiteral("c.txt")});
    // Return cancels; closing the alert without a button is no confirmation either.
    t.alerts.answer(QStringLiteral("Cancel"));
    t.manager().operations().binMover.moveStacksToBin({one.id});
    QCOMPARE(t.alerts.shown.last().defaultButton, 0);
    t.alerts.answerAll([](const Alert&) { return ScriptedAlerts::Reply{QStringLiteral("none")}; });
    // Unknown ids are left out of the count.
    t.manager().operations().binMover.moveStacksToBin({two.id, QUuid::createUuid(), one.id});
    QCOMPARE(t.alerts.shown.last().message, QStringLiteral("Move 2 stacks to the Bin?"));
    QVERIFY(t.alerts.shown.last().informativeText.startsWith(
        QStringLiteral("3 files or folders will move")));
    t.scheduler.runUntilIdle();
    QCOMPARE(t.manager().stacks().size(), 2);
    QVERIFY(QFileInfo::exists(t.stackFolder(one) + QStringLiteral("/a.txt")));
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
    empty.folderName = QStringLiteral("Empty");
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
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.addDesktopFile(QStringLiteral("odd \"name\"\twith\\tab"));
    t.invariant.addFile(QStringLiteral("Desktop/folder/inside.txt"));
    t.invariant.addSymlink(QStringLiteral("Desktop/link"), QStringLiteral("/etc/hostname"));
    const DesktopStack stack =
        *t.stack({QStringLiteral("a.txt"), QStringLiteral("odd \"name\"\twith\\tab"),
                  QStringLiteral("folder"), QStringLiteral("link")});
    const QString folder = t.stackFolder(stack);
    binStacks(t, {stack.id});

    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(!t.windows.window(stack.id));
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(!t.manager().undoState().hasStacks());
    QCOMPARE(t.namesIn(t.home.trashFiles()),
             (QStringList{QStringLiteral("a.txt"), QStringLiteral("folder"), QStringLiteral("link"),
                          QStringLiteral("odd \"name\"\twith\\tab")}));
    QVERIFY(QFileInfo(t.home.trashFiles() + QStringLiteral("/link")).isSymLink());
    // Each can be restored to where it was.
    QCOMPARE(trashedFrom(t.home, QStringLiteral("a.txt")), folder + QStringLiteral("/a.txt"));
    QCOMPARE(trashedFrom(t.home, QStringLiteral("odd \"name\"\twith\\tab")),
             folder + QStringLiteral("/odd \"name\"\twith\\tab"));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestMoveToBin::spreadStackIsTrashedFromTheDesktop()
{
    TestServices t;
    t.invariant.allowTrash();
    t.addDesktopFile(QStringLiteral("a.txt"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.txt"), QPointF(200, 100));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    t.manager().spread(stack.id, false);
    t.scheduler.runUntilIdle();
    binStacks(t, {stack.id});
    QVERIFY(t.manager().stacks().isEmpty());
    QCOMPARE(trashedFrom(t.home, QStringLiteral("a.txt")), t.desktopPath(QStringLiteral("a.txt")));
    QVERIFY(!QFileInfo::exists(t.desktopPath(QStringLiteral("b.txt"))));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestMoveToBin::fileMovedElsewhereStaysInItsStack()
{
    TestServices t;
    t.invariant.allowTrash();
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        t.addDesktopFile(QString::fromUtf8(name));
    const DesktopStack first = *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    const DesktopStack second = *t.stack({QStringLiteral("c.txt")});
    // The user takes b.txt out of the stack folder onto the Desktop, and c.txt into a folder
    // of its own inside the stack folder.
    QVERIFY(QFile::rename(t.stackFolder(first) + QStringLiteral("/b.txt"),
                          t.desktopPath(QStringLiteral("b.txt"))));
    const QString nested = t.stackFolder(second) + QStringLiteral("/sub");
    QVERIFY(QDir().mkdir(nested));
    QVERIFY(QFile::rename(t.stackFolder(second) + QStringLiteral("/c.txt"),
                          nested + QStringLiteral("/c.txt")));
    binStacks(t, {first.id, second.id});

    QCOMPARE(t.alerts.messages().last(), failedText + quoted(QStringLiteral("b.txt")) +
                                             QStringLiteral(", ") +
                                             quoted(QStringLiteral("c.txt")) + QStringLiteral("."));
    QCOMPARE(TestServices::itemNames(*t.record(first.id)), QStringList{QStringLiteral("b.txt")});
    QCOMPARE(TestServices::itemNames(*t.record(second.id)), QStringList{QStringLiteral("c.txt")});
    QCOMPARE(t.windows.window(first.id)->record, *t.record(first.id));
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("b.txt"))));
    QVERIFY(QFileInfo::exists(nested + QStringLiteral("/c.txt")));
    QCOMPARE(t.namesIn(t.home.trashFiles()), QStringList{QStringLiteral("a.txt")});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestMoveToBin::trashingIsWorkOffTheGuiThread()
{
    TestServices t;
    t.invariant.allowTrash();
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.addDesktopFile(QStringLiteral("b.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    int trashed = 0;
    bool inBackground = true;
    t.fs.failTrash([&](const QString&) {
        ++trashed;
        inBackground = inBackground && t.scheduler.inBackgroundWork();
        return false;
    });
    t.alerts.answer(QStringLiteral("Move to Bin"));
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
    const QString longName = QString(246, QLatin1Char('n')) + QStringLiteral(".txt");
    QTest::newRow("250-byte name")
        << QString() << QStringList{longName} << QStringLiteral("File name too long");
    QTest::newRow("Trash a dangling link")
        << QStringLiteral("dangling link") << QStringList{QStringLiteral("a.txt"), longName}
        << QStringLiteral("Not a directory");
    QTest::newRow("Trash refuses")
        << QStringLiteral("refuses") << QStringList{QStringLiteral("a.txt"), longName}
        << FaultyFileSystem::injected;
    QTest::newRow("Trash a plain file")
        << QStringLiteral("plain file") << QStringList{QStringLiteral("a.txt"), longName}
        << QStringLiteral("Not a directory");
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
    const QString longName = QString(246, QLatin1Char('n')) + QStringLiteral(".txt");
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.addDesktopFile(longName);
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt"), longName});
    const QString folder = t.home.dataRoot() + QStringLiteral("/Trash");
    if (trash == QLatin1String("dangling link"))
        QVERIFY(QFile::link(t.home.home() + QStringLiteral("/gone"), folder));
    else if (trash == QLatin1String("plain file"))
        t.home.write(QStringLiteral(".local/share/Trash"), "plain");
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
    QVERIFY(!QFileInfo::exists(t.home.home() + QStringLiteral("/files")));
    QVERIFY(!t.manager().undoState().isWorking());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestMoveToBin)
#include "tst_movetobin.moc"
