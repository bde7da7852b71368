#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackManager.h"
#include "operations/StackRemoval.h"
#include "platform/Settings.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QTest>

namespace {

const QString hidden = QStringLiteral("~/Documents/.Tidora");
const QString onDesktop = QStringLiteral("~/Desktop/Tidorama Files");

// Stacks named S0, S1, … of one file each, in the hidden folder.
QList<DesktopStack> fiveStacks(TestServices& t, int count = 5)
{
    QList<DesktopStack> stacks;
    for (int i = 0; i < count; ++i) {
        const QString file = QStringLiteral("file %1.txt").arg(i);
        t.addDesktopFile(file);
        stacks.append(*t.stack({file}, QStringLiteral("S%1").arg(i)));
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
    t.alerts.answer(QStringLiteral("Cancel"));
    t.manager().changeStorageLocation(StorageLocation::desktop);
    // The spread stack's folder moves too, but it is not counted.
    QVERIFY(t.alerts.shown.last().informativeText.startsWith(
        QStringLiteral("The files of 2 stacks move from ") + hidden + QStringLiteral(" to ") +
        onDesktop + QStringLiteral(".")));

    t.manager().operations().removal.removeStack(stacks[1].id, false);
    t.settings.setValue(SettingsKey::storageLocation, QStringLiteral("desktop"));
    t.alerts.answer(QStringLiteral("Cancel"));
    t.manager().changeStorageLocation(StorageLocation::documents);
    QVERIFY(t.alerts.shown.last().informativeText.startsWith(
        QStringLiteral("The files of 1 stack move from ") + onDesktop + QStringLiteral(" to ") +
        hidden + QStringLiteral(".")));
    QVERIFY(t.alerts.problems.isEmpty());
}

void TestStorageLocation::refusedOrSameLocationChangesNothing()
{
    TestServices t;
    const QList<DesktopStack> stacks = fiveStacks(t, 2);
    const QStringList before = t.namesIn(documentsFolder(t));
    QVERIFY(t.manager().changeStorageLocation(StorageLocation::documents));
    QVERIFY(t.alerts.shown.isEmpty());

    t.alerts.answer(QStringLiteral("Cancel"));
    QVERIFY(!t.manager().changeStorageLocation(StorageLocation::desktop));
    QVERIFY(!t.settings.value(SettingsKey::storageLocation).isValid());
    QCOMPARE(t.namesIn(documentsFolder(t)), before);
    QVERIFY(!QFileInfo::exists(desktopFolder(t)));
    QCOMPARE(t.manager().stacks(), stacks);

    // A new folder that cannot be made: told, and nothing moves.
    t.fs.failMakeFolder([&](const QString& path) { return path == desktopFolder(t); });
    t.alerts.answer(QStringLiteral("Move"));
    QVERIFY(!t.manager().changeStorageLocation(StorageLocation::desktop));
    QCOMPARE(storedLocation(t), QStringLiteral("documents"));
    QCOMPARE(t.alerts.messages().last(),
             QStringLiteral("Stacked files couldn't be moved to ~/Desktop/Tidorama Files, so they "
                            "stay in ~/Documents/.Tidora. Injected failure."));
    QCOMPARE(t.namesIn(documentsFolder(t)), before);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStorageLocation::everyStackFolderMovesAndRecordsFollow()
{
    TestServices t;
    const QList<DesktopStack> stacks = fiveStacks(t, 3);
    // Something else lying in the storage folder moves along; a name already taken in the new
    // place is numbered.
    t.invariant.addFile(QStringLiteral("Documents/.Tidora/notes.txt"));
    t.invariant.addFile(QStringLiteral("Desktop/Tidorama Files/S1/old.txt"));
    t.manager().spread(stacks[2].id, false);
    t.scheduler.runUntilIdle();

    t.alerts.answer(QStringLiteral("Move"));
    QVERIFY(t.manager().changeStorageLocation(StorageLocation::desktop));
    QCOMPARE(storedLocation(t), QStringLiteral("desktop"));
    QVERIFY(!QFileInfo::exists(documentsFolder(t)));
    QCOMPARE(
        t.namesIn(desktopFolder(t)),
        (QStringList{QStringLiteral("README.txt"), QStringLiteral("S0"), QStringLiteral("S1"),
                     QStringLiteral("S1 2"), QStringLiteral("S2"), QStringLiteral("notes.txt")}));
    QCOMPARE(t.record(stacks[1].id)->folderName, QStringLiteral("S1 2"));
    QCOMPARE(t.record(stacks[0].id)->folderName, QStringLiteral("S0"));
    // Every window shows its files at their new place, where the record has it.
    QCOMPARE(t.windows.window(stacks[1].id)->files,
             QStringList{desktopFolder(t) + QStringLiteral("/S1 2/file 1.txt")});
    QCOMPARE(t.windows.window(stacks[2].id)->files,
             QStringList{t.desktopPath(QStringLiteral("file 2.txt"))});

    // The bookmarks were made anew and the list saved: a new process finds every file at once.
    // The folder that was already there is nobody's stack, so the launch adopts it as one.
    StackManager& again = t.relaunch();
    QCOMPARE(again.stacks().size(), 4);
    QCOMPARE(again.stacks().last().folderName, QStringLiteral("S1"));
    QCOMPARE(t.windows.window(stacks[0].id)->files,
             QStringList{desktopFolder(t) + QStringLiteral("/S0/file 0.txt")});
    QCOMPARE(t.bookmarks().foldersRead(), 0);

    // And back again.
    t.alerts.answer(QStringLiteral("Move"));
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

    t.alerts.answer(QStringLiteral("Move"));
    QVERIFY(!t.manager().changeStorageLocation(StorageLocation::desktop));
    QCOMPARE(forward, 3);
    QCOMPARE(t.namesIn(documentsFolder(t)), before);
    // Nothing but the README had been put into the new folder, so it is gone again.
    QVERIFY(!QFileInfo::exists(desktopFolder(t)));
    QCOMPARE(storedLocation(t), QStringLiteral("documents"));
    QCOMPARE(t.manager().stacks(), stacks);
    QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), stacks);
    QVERIFY(
        t.alerts.messages().last().startsWith(QStringLiteral("Stacked files couldn't be moved")));
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
    t.alerts.answer(QStringLiteral("Move"));
    QVERIFY(!t.manager().changeStorageLocation(StorageLocation::desktop));
    QCOMPARE(storedLocation(t), QStringLiteral("documents"));
    QCOMPARE(t.namesIn(documentsFolder(t)).size(), 5);
    QCOMPARE(t.namesIn(desktopFolder(t)),
             (QStringList{QStringLiteral("README.txt"), QFileInfo(firstMoved).fileName()}));
    QVERIFY(log.contains(QStringLiteral("Tidorama: could not move ") + firstMoved +
                         QStringLiteral(": Injected failure.")));
    QVERIFY(isProtected(t.guard, firstMoved));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestStorageLocation)
#include "tst_storagelocation.moc"
