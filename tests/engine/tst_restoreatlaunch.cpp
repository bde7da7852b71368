#include "TestServices.h"
#include "engine/StackManager.h"
#include "operations/UndoState.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

// The launch step through the manager: records repaired against the disk, one window per
// stack at its origin before anything is shown, then the warning, the report and the
// first-run alert, in that order.
class TestRestoreAtLaunch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstLaunchShowsOnlyTheFirstRunAlert();
    void lostStackListComesBackWithWindowsAndAReport();
    void corruptStackListIsRebuiltAndSaved();
    void fileDroppedByHandIsShownInItsWindow();
    void missingFoldersAreWarnedAboutBeforeTheReport();
};

void TestRestoreAtLaunch::firstLaunchShowsOnlyTheFirstRunAlert()
{
    TestServices t;
    t.home.makeFolder(QStringLiteral("Documents/.Tidora"));
    StackManager& manager = t.relaunch();
    QVERIFY(manager.stacks().isEmpty());
    QVERIFY(t.alerts.shown.isEmpty());
    QCOMPARE(t.firstRun.calls, QList<bool>{false});
    QVERIFY(!QFileInfo::exists(t.paths.dataFolder() + QStringLiteral("/stacks.json")));

    // Once acknowledged, it is not asked again.
    t.settings.setValue(SettingsKey::acknowledgedHiddenStorage, true);
    t.relaunch();
    QCOMPARE(t.firstRun.calls, QList<bool>{false});
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestRestoreAtLaunch::lostStackListComesBackWithWindowsAndAReport()
{
    TestServices t;
    t.settings.setValue(SettingsKey::acknowledgedHiddenStorage, true);
    t.addDesktopFile(QStringLiteral("b.txt"));
    t.addDesktopFile(QStringLiteral("a1.txt"));
    t.addDesktopFile(QStringLiteral("a2.txt"));
    QVERIFY(t.stack({QStringLiteral("b.txt")}, QStringLiteral("B")));
    QVERIFY(t.stack({QStringLiteral("a1.txt"), QStringLiteral("a2.txt")}, QStringLiteral("A")));
    QVERIFY(QFile::remove(t.paths.dataFolder() + QStringLiteral("/stacks.json")));

    // Every stack has its window in place by the time the report is shown.
    qsizetype windowsAtReport = -1;
    t.alerts.answerAll([&](const Alert&) {
        windowsAtReport = t.windows.windows().size();
        return ScriptedAlerts::Reply{QStringLiteral("OK")};
    });
    StackManager& manager = t.relaunch();
    QCOMPARE(manager.stacks().size(), 2);
    const DesktopStack& a = manager.stacks().at(0);
    const DesktopStack& b = manager.stacks().at(1);
    QCOMPARE(a.name, QStringLiteral("A"));
    QCOMPARE(b.name, QStringLiteral("B"));
    QCOMPARE(t.windows.window(a.id)->frameOrigin(), QPointF(1100, 566));
    QCOMPARE(t.windows.window(b.id)->frameOrigin(), QPointF(940, 566));
    QCOMPARE(t.windows.window(a.id)->files,
             (QStringList{t.storageFolder() + QStringLiteral("/A/a1.txt"),
                          t.storageFolder() + QStringLiteral("/A/a2.txt")}));
    QVERIFY(t.windows.window(b.id)->orderedFront > 0);
    QVERIFY(manager.undoState().hasStacks());
    QVERIFY(manager.undoState().hasStacked());

    QCOMPARE(windowsAtReport, 2);
    QCOMPARE(t.alerts.messages(),
             QStringList{QStringLiteral("Tidora checked ") + t.storageFolder() +
                         QStringLiteral(" and brought files it no longer had a list for back as "
                                        "stacks: \u201CA\u201D, \u201CB\u201D. Files are never "
                                        "copied or deleted this way; check them in the stacks, "
                                        "or spread them to the Desktop.")});
    QVERIFY(t.alerts.raised >= 1);
    QVERIFY(!t.firstRun.calls.contains(false));

    // Saved: the next launch has nothing to report.
    t.alerts.shown.clear();
    QCOMPARE(t.relaunch().stacks().size(), 2);
    QVERIFY(t.alerts.shown.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestRestoreAtLaunch::corruptStackListIsRebuiltAndSaved()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("n.txt"));
    QVERIFY(t.stack({QStringLiteral("n.txt")}, QStringLiteral("Notes")));
    // A state this version does not know makes the whole file unreadable.
    const QString file = t.paths.dataFolder() + QStringLiteral("/stacks.json");
    QByteArray json = TempHome::read(file);
    json.replace("\"collapsed\"", "\"pinned\"");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(json);
    out.close();

    StackManager& manager = t.relaunch();
    QCOMPARE(manager.stacks().size(), 1);
    QCOMPARE(manager.stacks().at(0).name, QStringLiteral("Notes"));
    QCOMPARE(manager.stacks().at(0).items.size(), 1);
    StackListFile reread(t.paths, t.fs);
    QCOMPARE(reread.loadStackList(), manager.stacks());
    // The file the user may still want is kept, and the one report says where.
    QCOMPARE(t.alerts.shown.size(), 1);
    const QStringList aside =
        QDir(t.paths.dataFolder()).entryList({QStringLiteral("stacks.json.set-aside-*")});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(TempHome::read(t.paths.dataFolder() + QLatin1Char('/') + aside.first()), json);
    QVERIFY(t.alerts.messages().last().contains(aside.first()));
    QCOMPARE(t.firstRun.calls.last(), false);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestRestoreAtLaunch::fileDroppedByHandIsShownInItsWindow()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("n.txt"));
    const DesktopStack notes = *t.stack({QStringLiteral("n.txt")}, QStringLiteral("Notes"));
    const QString dropped =
        t.invariant.addFile(QStringLiteral("Documents/.Tidora/Notes/dropped \"by\" hand.txt"));

    StackManager& manager = t.relaunch();
    const DesktopStack& record = manager.stacks().at(0);
    QCOMPARE(record.items.size(), 2);
    QCOMPARE(record.items.at(1).position,
             QPointF(notes.windowOrigin.x() + 70 + 24, 776 - notes.windowOrigin.y() - 75 + 24));
    QCOMPARE(t.windows.window(notes.id)->files.last(), dropped);
    QCOMPARE(t.alerts.messages().size(), 1);
    QVERIFY(
        t.alerts.messages().at(0).contains(QStringLiteral("put them back in: \u201CNotes\u201D.")));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestRestoreAtLaunch::missingFoldersAreWarnedAboutBeforeTheReport()
{
    TestServices t;
    t.settings.setValue(SettingsKey::acknowledgedHiddenStorage, true);
    t.addDesktopFile(QStringLiteral("g.txt"));
    t.addDesktopFile(QStringLiteral("s.txt"));
    const DesktopStack gone = *t.stack({QStringLiteral("g.txt")}, QStringLiteral("Gone"));
    const DesktopStack spread = *t.stack({QStringLiteral("s.txt")}, QStringLiteral("Spread"));
    // The spread stack's file is on the Desktop and its folder is gone: nothing to say.
    QVERIFY(QFile::rename(t.storageFolder() + QStringLiteral("/Spread/s.txt"),
                          t.desktopPath(QStringLiteral("s.txt"))));
    QVERIFY(QDir(t.storageFolder()).rmdir(QStringLiteral("Spread")));
    DesktopStack spreadRecord = *t.record(spread.id);
    spreadRecord.state = StackState::expanded;
    t.manager().storeStack(spreadRecord);
    // The gathered stack's folder went where the program does not look.
    QVERIFY(QDir().rename(t.storageFolder() + QStringLiteral("/Gone"),
                          t.desktopPath(QStringLiteral("Gone moved"))));
    t.invariant.addFile(QStringLiteral("Documents/.Tidora/Orphan/o.txt"));

    StackManager& manager = t.relaunch();
    QCOMPARE(manager.stacks().size(), 3);
    QVERIFY(t.windows.window(gone.id));
    QCOMPARE(t.alerts.shown.size(), 2);
    QCOMPARE(t.alerts.messages().at(0),
             QStringLiteral("The files of \u201CGone\u201D are missing from ") + t.storageFolder() +
                 QStringLiteral(". If you moved that folder, or the folders inside it, to the "
                                "Trash, put them back. To remove Tidora safely, always use "
                                "Uninstall Tidora\u2026 in the tray menu."));
    QVERIFY(t.alerts.messages().at(1).contains(QStringLiteral("\u201COrphan\u201D")));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestRestoreAtLaunch)
#include "tst_restoreatlaunch.moc"
