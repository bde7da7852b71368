#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackManager.h"
#include "operations/StackRemoval.h"
#include "platform/Settings.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString hidden = u"~/Documents/.Tidora"_s;
const QString onDesktop = u"~/Desktop/Tidorama Files"_s;

// Stacks named S0, S1, … of one file each, in the hidden folder.
QList<DesktopStack> fiveStacks(TestServices& t, int count = 5)
{
    QList<DesktopStack> stacks;
    for (int i = 0; i < count; ++i) {
        const QString file = u"file %1.txt"_s.arg(i);
        t.addDesktopFile(file);
        stacks.append(*t.stack({file}, u"S%1"_s.arg(i)));
    }
    return stacks;
}

QString storedLocation(TestServices& t)
{
    return t.settings.value(SettingsKey::storageLocation).toString();
}

QString documentsFolder(TestServices& t)
{
    return t.folders.storageFolder(StorageLocation::documents);
}

QString desktopFolder(TestServices& t)
{
    return t.folders.storageFolder(StorageLocation::desktop);
}

// Whether the guard's last word on the folder was to protect it.
bool isProtected(const RecordingFolderGuard& guard, const QString& folder)
{
    for (auto call = guard.calls.crbegin(); call != guard.calls.crend(); ++call) {
        if (call->endsWith(QLatin1Char(' ') + folder))
            return call->startsWith(QLatin1String("protect "));
    }
    return false;
}

} // namespace

class TestStorageLocation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void confirmationCountsGatheredStacks();
    void refusedOrSameLocationChangesNothing();
    void everyStackFolderMovesAndRecordsFollow();
    void thirdOfFiveFailingPutsTheFirstTwoBack();
    void entryThatCannotGoBackStaysWhereItIs();
};

void TestStorageLocation::confirmationCountsGatheredStacks()
{
    TestServices t;
    const QList<DesktopStack> stacks = fiveStacks(t, 3);
    t.manager().spread(stacks[2].id, false);
    t.scheduler.runUntilIdle();
    t.alerts.answer(u"Cancel"_s);
    t.manager().changeStorageLocation(StorageLocation::desktop);
    // The spread stack's folder moves too, but it is not counted.
    QVERIFY(t.alerts.shown.last().informativeText.startsWith(
        u"The files of 2 stacks move from "_s + hidden + u" to "_s + onDesktop + u"."_s));

    t.manager().operations().removal.removeStack(stacks[1].id, false);
    t.settings.setValue(SettingsKey::storageLocation, u"desktop"_s);
    t.alerts.answer(u"Cancel"_s);
    t.manager().changeStorageLocation(StorageLocation::documents);
    QVERIFY(t.alerts.shown.last().informativeText.startsWith(
        u"The files of 1 stack move from "_s + onDesktop + u" to "_s + hidden + u"."_s));
    QVERIFY(t.alerts.problems.isEmpty());
}

void TestStorageLocation::refusedOrSameLocationChangesNothing()
{
    TestServices t;
    const QList<DesktopStack> stacks = fiveStacks(t, 2);
    const QStringList before = t.namesIn(documentsFolder(t));
    QVERIFY(t.manager().changeStorageLocation(StorageLocation::documents));
    QVERIFY(t.alerts.shown.isEmpty());

    t.alerts.answer(u"Cancel"_s);
    QVERIFY(!t.manager().changeStorageLocation(StorageLocation::desktop));
    QVERIFY(!t.settings.value(SettingsKey::storageLocation).isValid());
    QCOMPARE(t.namesIn(documentsFolder(t)), before);
    QVERIFY(!QFileInfo::exists(desktopFolder(t)));
    QCOMPARE(t.manager().stacks(), stacks);

    // A new folder that cannot be made: told, and nothing moves.
    t.fs.failMakeFolder([&](const QString& path) { return path == desktopFolder(t); });
    t.alerts.answer(u"Move"_s);
    QVERIFY(!t.manager().changeStorageLocation(StorageLocation::desktop));
    QCOMPARE(storedLocation(t), u"documents"_s);
    QCOMPARE(t.alerts.messages().last(),
             u"Stacked files couldn't be moved to ~/Desktop/Tidorama Files, so they "
             "stay in ~/Documents/.Tidora. Injected failure."_s);
    QCOMPARE(t.namesIn(documentsFolder(t)), before);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStorageLocation::everyStackFolderMovesAndRecordsFollow()
{
    TestServices t;
    const QList<DesktopStack> stacks = fiveStacks(t, 3);
    // Something else lying in the storage folder moves along; a name already taken in the new
    // place is numbered.
    t.invariant.addFile(u"Documents/.Tidora/notes.txt"_s);
    t.invariant.addFile(u"Desktop/Tidorama Files/S1/old.txt"_s);
    t.manager().spread(stacks[2].id, false);
    t.scheduler.runUntilIdle();

    t.alerts.answer(u"Move"_s);
    QVERIFY(t.manager().changeStorageLocation(StorageLocation::desktop));
    QCOMPARE(storedLocation(t), u"desktop"_s);
    QVERIFY(!QFileInfo::exists(documentsFolder(t)));
    QCOMPARE(t.namesIn(desktopFolder(t)),
             (QStringList{u"README.txt"_s, u"S0"_s, u"S1"_s, u"S1 2"_s, u"S2"_s, u"notes.txt"_s}));
    QCOMPARE(t.record(stacks[1].id)->folderName, u"S1 2"_s);
    QCOMPARE(t.record(stacks[0].id)->folderName, u"S0"_s);
    // Every window shows its files at their new place, where the record has it.
    QCOMPARE(t.windows.window(stacks[1].id)->files,
             QStringList{desktopFolder(t) + u"/S1 2/file 1.txt"_s});
    QCOMPARE(t.windows.window(stacks[2].id)->files, QStringList{t.desktopPath(u"file 2.txt"_s)});

    // The bookmarks were made anew and the list saved: a new process finds every file at once.
    // The folder that was already there is nobody's stack, so the launch adopts it as one.
    StackManager& again = t.relaunch();
    QCOMPARE(again.stacks().size(), 4);
    QCOMPARE(again.stacks().last().folderName, u"S1"_s);
    QCOMPARE(t.windows.window(stacks[0].id)->files,
             QStringList{desktopFolder(t) + u"/S0/file 0.txt"_s});
    QCOMPARE(t.bookmarks().foldersRead(), 0);

    // And back again.
    t.alerts.answer(u"Move"_s);
    QVERIFY(again.changeStorageLocation(StorageLocation::documents));
    QCOMPARE(t.namesIn(documentsFolder(t)).size(), 6);
    QVERIFY(!QFileInfo::exists(desktopFolder(t)));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStorageLocation::thirdOfFiveFailingPutsTheFirstTwoBack()
{
    TestServices t;
    const QList<DesktopStack> stacks = fiveStacks(t);
    const QStringList before = t.namesIn(documentsFolder(t));
    const QString from = documentsFolder(t) + QLatin1Char('/');
    int forward = 0;
    QStringList order;
    t.fs.failMoves([&](const QString& source, const QString&) {
        if (!source.startsWith(from))
            return false;
        order.append(source);
        return ++forward == 3;
    });

    t.alerts.answer(u"Move"_s);
    QVERIFY(!t.manager().changeStorageLocation(StorageLocation::desktop));
    QCOMPARE(forward, 3);
    QCOMPARE(t.namesIn(documentsFolder(t)), before);
    // Nothing but the README had been put into the new folder, so it is gone again.
    QVERIFY(!QFileInfo::exists(desktopFolder(t)));
    QCOMPARE(storedLocation(t), u"documents"_s);
    QCOMPARE(t.manager().stacks(), stacks);
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), stacks);
    QVERIFY(t.alerts.messages().last().startsWith(u"Stacked files couldn't be moved"_s));
    // Each folder is protected where it ended up.
    for (const QString& entry : std::as_const(order))
        QVERIFY(isProtected(t.guard, entry));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStorageLocation::entryThatCannotGoBackStaysWhereItIs()
{
    TestServices t;
    fiveStacks(t);
    const QString from = documentsFolder(t) + QLatin1Char('/');
    const QString to = desktopFolder(t) + QLatin1Char('/');
    int forward = 0;
    QString firstMoved;
    t.fs.failMoves([&](const QString& source, const QString& target) {
        if (source.startsWith(from)) {
            if (firstMoved.isEmpty())
                firstMoved = target;
            return ++forward == 3;
        }
        // The first entry cannot come back.
        return source == firstMoved;
    });
    LogCapture log;
    t.alerts.answer(u"Move"_s);
    QVERIFY(!t.manager().changeStorageLocation(StorageLocation::desktop));
    QCOMPARE(storedLocation(t), u"documents"_s);
    QCOMPARE(t.namesIn(documentsFolder(t)).size(), 5);
    QCOMPARE(t.namesIn(desktopFolder(t)),
             (QStringList{u"README.txt"_s, QFileInfo(firstMoved).fileName()}));
    QVERIFY(log.contains(u"Tidorama: could not move "_s + firstMoved + u": Injected failure."_s));
    QVERIFY(isProtected(t.guard, firstMoved));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestStorageLocation)
#include "tst_storagelocation.moc"
