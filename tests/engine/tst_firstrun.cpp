#include "TestServices.h"
#include "engine/StackManager.h"
#include "platform/Settings.h"
#include "store/FirstRunAlert.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

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

class TestFirstRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alertOffersThePlacesWithTheCurrentOneSelected();
    void checkboxGatesTheFirstButton();
    void cancelBeforeStackingMovesNothing();
    void confirmingThePreselectedPlaceWritesTheChoice();
    void choosingTheOtherPlaceMovesTheStacksFirst();
    void helpOpensTheStacksFolderOrSaysThereIsNone();
};

void TestFirstRun::alertOffersThePlacesWithTheCurrentOneSelected()
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

void TestFirstRun::checkboxGatesTheFirstButton()
{
    TestServices t;
    RealFirstRun real(t);
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
    // Once confirmed, never again.
    QVERIFY(t.firstRun.showFirstRunAlert(true));
    QCOMPARE(t.alerts.shown.size(), 2);
}

void TestFirstRun::cancelBeforeStackingMovesNothing()
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

void TestFirstRun::confirmingThePreselectedPlaceWritesTheChoice()
{
    TestServices t;
    RealFirstRun real(t);
    QVERIFY(QDir().mkpath(t.paths.desktop() + u"/.stfolder"_s));
    t.alerts.answer(reply(u"OK"_s, true));
    QVERIFY(t.firstRun.showFirstRunAlert(false));
    // No move, so no second alert; the guess is now the setting.
    QCOMPARE(t.alerts.shown.size(), 1);
    QCOMPARE(t.settings.value(SettingsKey::storageLocation).toString(), u"desktop"_s);
    QVERIFY(acknowledged(t));
}

void TestFirstRun::choosingTheOtherPlaceMovesTheStacksFirst()
{
    TestServices t;
    // Stacks made before the alert was confirmed (an older install, say).
    t.addDesktopFile(u"a.pdf"_s);
    const DesktopStack stack = *t.stack({u"a.pdf"_s});
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

void TestFirstRun::helpOpensTheStacksFolderOrSaysThereIsNone()
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

QTEST_GUILESS_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
