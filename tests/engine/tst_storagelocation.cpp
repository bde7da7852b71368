#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackManager.h"
#include "operations/StackRemoval.h"
#include "platform/Settings.h"
#include "store/FirstRunAlert.h"
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

// The real alert, its move done by the manager, answering the stacking engine's calls.
struct RealFirstRun
{
    explicit RealFirstRun(TestServices& t)
        : alert(t.alerts, t.settings, t.folders,
                [&t](StorageLocation to) { return t.manager().changeStorageLocation(to); })
    {
        t.firstRun.delegate = &alert;
    }
    FirstRunAlert alert;
};

ScriptedAlerts::Reply reply(QString button, bool checked, std::optional<int> popup = {})
{
    return ScriptedAlerts::Reply{std::move(button), checked, std::nullopt, popup};
}

bool acknowledged(const TestServices& t)
{
    return t.settings.boolValue(SettingsKey::acknowledgedHiddenStorage, false);
}

} // namespace

class TestStorageLocation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusedOrSameLocationChangesNothing();
    void everyStackFolderMovesAndRecordsFollow();
    void failedMovePutsTheOthersBack_data();
    void failedMovePutsTheOthersBack();
    void alertOffersThePlacesWithTheCurrentOneSelected();
    void checkboxGatesTheFirstButton();
    void cancelBeforeStackingMovesNothing();
    void choosingTheOtherPlaceMovesTheStacksFirst();
    void helpOpensTheStacksFolderOrSaysThereIsNone();
};

void TestStorageLocation::refusedOrSameLocationChangesNothing()
{
    TestServices t;
    const QList<DesktopStack> stacks = fiveStacks(t, 3);
    t.manager().spread(stacks[2].id, false);
    t.scheduler.runUntilIdle();
    const QStringList before = t.namesIn(documentsFolder(t));
    QVERIFY(t.manager().changeStorageLocation(StorageLocation::documents));
    QVERIFY(t.alerts.shown.isEmpty());

    t.alerts.answer(u"Cancel"_s);
    QVERIFY(!t.manager().changeStorageLocation(StorageLocation::desktop));
    // The spread stack's folder moves too, but it is not counted.
    QVERIFY(t.alerts.shown.last().informativeText.startsWith(
        u"The files of 2 stacks move from "_s + hidden + u" to "_s + onDesktop + u"."_s));
    QVERIFY(!t.settings.value(SettingsKey::storageLocation).isValid());
    QCOMPARE(t.namesIn(documentsFolder(t)), before);
    QVERIFY(!QFileInfo::exists(desktopFolder(t)));
    QCOMPARE(t.manager().stacks().size(), 3);

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

    t.manager().operations().removal.removeStack(stacks[1].id, false);
    t.settings.setValue(SettingsKey::storageLocation, u"desktop"_s);
    t.alerts.answer(u"Cancel"_s);
    t.manager().changeStorageLocation(StorageLocation::documents);
    QVERIFY(t.alerts.shown.last().informativeText.startsWith(
        u"The files of 1 stack move from "_s + onDesktop + u" to "_s + hidden + u"."_s));
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

void TestStorageLocation::failedMovePutsTheOthersBack_data()
{
    QTest::addColumn<bool>("stuck");
    QTest::newRow("all come back") << false;
    // The first folder cannot come back: it stays in the new place, and that is logged.
    QTest::newRow("first stuck") << true;
}

void TestStorageLocation::failedMovePutsTheOthersBack()
{
    QFETCH(bool, stuck);
    TestServices t;
    const QList<DesktopStack> stacks = fiveStacks(t);
    const QStringList before = t.namesIn(documentsFolder(t));
    const QString from = documentsFolder(t) + QLatin1Char('/');
    // The third of the five stack folders fails to move.
    QList<std::pair<QString, QString>> moved;
    t.fs.failMoves([&](const QString& source, const QString& target) {
        if (!source.startsWith(from))
            return stuck && !moved.isEmpty() && source == moved.first().second;
        moved.append({source, target});
        return moved.size() == 3;
    });
    LogCapture log;
    t.alerts.answer(u"Move"_s);
    QVERIFY(!t.manager().changeStorageLocation(StorageLocation::desktop));
    QCOMPARE(moved.size(), 3);
    QCOMPARE(storedLocation(t), u"documents"_s);
    QVERIFY(t.alerts.messages().last().startsWith(u"Stacked files couldn't be moved"_s));
    // Each folder is protected where it ended up.
    for (const auto& [source, target] : std::as_const(moved))
        QVERIFY(isProtected(t.guard, QFileInfo::exists(source) ? source : target));
    if (stuck) {
        const QString left = moved.first().second;
        QCOMPARE(t.namesIn(documentsFolder(t)).size(), before.size() - 1);
        QCOMPARE(t.namesIn(desktopFolder(t)),
                 (QStringList{u"README.txt"_s, QFileInfo(left).fileName()}));
        QVERIFY(log.contains(u"Tidorama: could not move "_s + left + u": Injected failure."_s));
    } else {
        QCOMPARE(t.namesIn(documentsFolder(t)), before);
        // Nothing but the README had been put into the new folder, so it is gone again.
        QVERIFY(!QFileInfo::exists(desktopFolder(t)));
        QCOMPARE(t.manager().stacks(), stacks);
        QCOMPARE(StackListFile(t.paths, t.fs).loadStackList(), stacks);
    }
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStorageLocation::alertOffersThePlacesWithTheCurrentOneSelected()
{
    TestServices t;
    const Alert before = FirstRunAlert::alert(t.folders, true);
    // Both places, each with its path, before the choice is made.
    for (const char* place : {"Hidden Folder in Documents, ~/Documents/.Tidora:",
                              "Folder on the Desktop (for cloud sync), ~/Desktop/Tidorama Files:"})
        QVERIFY2(before.informativeText.contains(QLatin1String(place)), place);
    QCOMPARE(before.buttons, (QStringList{u"Continue"_s, u"Cancel"_s}));
    QCOMPARE(before.popupItems.size(), 2);
    QCOMPARE(before.popupIndex, 0);
    QCOMPARE(before.checkboxEnables, 0);
    QCOMPARE(FirstRunAlert::alert(t.folders, false).buttons, QStringList{u"OK"_s});

    // A Desktop that syncs (here through Syncthing) preselects the folder on the Desktop and
    // says why.
    QVERIFY(QDir().mkpath(t.paths.desktop() + u"/.stfolder"_s));
    const Alert synced = FirstRunAlert::alert(t.folders, false);
    QCOMPARE(synced.popupIndex, 1);
    QVERIFY(synced.informativeText.contains(u"so this one is selected"_s));
    QVERIFY(!before.informativeText.contains(u"so this one is selected"_s));
    // A saved choice wins over the guess.
    t.settings.setValue(SettingsKey::storageLocation, u"documents"_s);
    QCOMPARE(FirstRunAlert::alert(t.folders, false).popupIndex, 0);
}

void TestStorageLocation::checkboxGatesTheFirstButton()
{
    TestServices t;
    RealFirstRun real(t);
    QVERIFY(QDir().mkpath(t.paths.desktop() + u"/.stfolder"_s));
    // At launch the only button waits for the box; pressed without it, nothing is written.
    t.alerts.answer(reply(u"OK"_s, false));
    QVERIFY(!t.firstRun.showFirstRunAlert(false));
    QCOMPARE(t.alerts.problems.size(), 1);
    QVERIFY(!acknowledged(t));
    QVERIFY(!t.settings.value(SettingsKey::storageLocation).isValid());

    t.alerts.answer(reply(u"OK"_s, true));
    QVERIFY(t.firstRun.showFirstRunAlert(false));
    QVERIFY(acknowledged(t));
    QCOMPARE(t.alerts.raised, 2);
    // The preselected place needs no move; the guess is now the setting.
    QCOMPARE(t.settings.value(SettingsKey::storageLocation).toString(), u"desktop"_s);
    // Once confirmed, never again.
    QVERIFY(t.firstRun.showFirstRunAlert(true));
    QCOMPARE(t.alerts.shown.size(), 2);
}

void TestStorageLocation::cancelBeforeStackingMovesNothing()
{
    TestServices t;
    RealFirstRun real(t);
    t.addDesktopFile(u"a.pdf"_s);
    t.alerts.answer(reply(u"Cancel"_s, true));
    QVERIFY(!t.stack({u"a.pdf"_s}));
    QCOMPARE(t.firstRun.calls, QList<bool>{true});
    QVERIFY(QFileInfo::exists(t.desktopPath(u"a.pdf"_s)));
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(!acknowledged(t));
    TIDORA_CHECK_INVARIANT(t.invariant);

    // Asked again next time; this time confirmed.
    t.alerts.answer(reply(u"Continue"_s, true));
    QVERIFY(t.stack({u"a.pdf"_s}));
    QCOMPARE(t.alerts.shown.size(), 2);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStorageLocation::choosingTheOtherPlaceMovesTheStacksFirst()
{
    TestServices t;
    // Stacks made before the alert was confirmed (an older install, say).
    const DesktopStack stack = t.stackNew({u"a.pdf"_s});
    RealFirstRun real(t);

    // The move is refused: nothing is written, and the alert comes back next time.
    t.alerts.answer(reply(u"OK"_s, true, 1));
    t.alerts.answer(u"Cancel"_s);
    QVERIFY(!t.firstRun.showFirstRunAlert(false));
    QCOMPARE(t.alerts.shown.last().message,
             u"Move stacked files to folder on the desktop (for cloud sync)?"_s);
    QVERIFY(!acknowledged(t));
    QVERIFY(!t.settings.value(SettingsKey::storageLocation).isValid());

    t.alerts.answer(reply(u"OK"_s, true, 1));
    t.alerts.answer(u"Move"_s);
    QVERIFY(t.firstRun.showFirstRunAlert(false));
    QVERIFY(acknowledged(t));
    QCOMPARE(t.settings.value(SettingsKey::storageLocation).toString(), u"desktop"_s);
    QCOMPARE(t.windows.window(stack.id)->files,
             QStringList{t.folders.storageFolder(StorageLocation::desktop) + u"/1 PDF/a.pdf"_s});

    // A move that fails leaves the acknowledgement unwritten.
    t.settings.remove(SettingsKey::acknowledgedHiddenStorage);
    t.fs.failMovesOf(u"1 PDF"_s);
    t.alerts.answer(reply(u"OK"_s, true, 0));
    t.alerts.answer(u"Move"_s);
    QVERIFY(!t.firstRun.showFirstRunAlert(false));
    QVERIFY(!acknowledged(t));
    QCOMPARE(t.settings.value(SettingsKey::storageLocation).toString(), u"desktop"_s);
    QVERIFY(t.alerts.problems.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestStorageLocation::helpOpensTheStacksFolderOrSaysThereIsNone()
{
    TestServices t;
    t.alerts.answer(u"Open the Stacks Folder"_s);
    t.manager().showHelp();
    const Alert help = t.alerts.shown.first();
    QCOMPARE(help.scrollText, t.folders.helpText());
    QCOMPARE(help.buttons, (QStringList{u"Done"_s, u"Open the Stacks Folder"_s}));
    QCOMPARE(t.alerts.messages().last(),
             u"Nothing is stacked right now, so there is no stacks folder."_s);
    QVERIFY(t.workspace.opened.isEmpty());

    t.addDesktopFile(u"a.pdf"_s);
    t.stack({u"a.pdf"_s});
    t.alerts.answer(u"Done"_s);
    t.manager().showHelp();
    QVERIFY(t.workspace.opened.isEmpty());
    t.alerts.answer(u"Open the Stacks Folder"_s);
    t.manager().showHelp();
    QCOMPARE(t.workspace.opened, QStringList{t.storageFolder()});
    QCOMPARE(t.alerts.shown.size(), 4);
    QVERIFY(t.alerts.problems.isEmpty());
}

QTEST_GUILESS_MAIN(TestStorageLocation)
#include "tst_storagelocation.moc"
