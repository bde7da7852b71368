#include "LogCapture.h"
#include "TestServices.h"
#include "engine/StackManager.h"
#include "engine/StackRecords.h"
#include "operations/InstallManifest.h"
#include "operations/UndoState.h"
#include "operations/Uninstaller.h"
#include "store/StackListCodec.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString blockedText = QStringLiteral(
    "Some files couldn't be moved to your Desktop, so Tidora was not removed. They are in ");

ScriptedAlerts::Reply ticked(const QString& button)
{
    return ScriptedAlerts::Reply{button, true};
}

// The names in a folder as raw bytes, those that are not UTF-8 included.
QList<QByteArray> rawNames(const QString& folder)
{
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(QFile::encodeName(folder).constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(dir);
    }
    return names;
}

// The traces a finished uninstall removes, put in place.
void writeTraces(TestServices& t)
{
    t.settings.setValue(SettingsKey::storageLocation, QStringLiteral("documents"));
    t.home.write(QStringLiteral(".config/autostart/tidora.desktop"), "[Desktop Entry]\n");
    t.manager().operations().records.save();
}

QString autostart(const TestServices& t)
{
    return Uninstaller::autostartEntry(t.paths.configRoot());
}

} // namespace

class TestUninstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theCheckboxIsAskedForOnlyWhenFilesGoBack();
    void everythingGoesBackToTheDesktop();
    void finishingRemovesTheTracesThenQuits();
    void aFileThatCannotLeaveBlocksTheRemoval();
    void namesThatAreNotUtf8BlockTheRemoval();
    void perUserInstallIsRemovedByItsManifest();
    void manifestOutsideTheHomeIsNotFollowed();
};

void TestUninstall::theCheckboxIsAskedForOnlyWhenFilesGoBack()
{
    {
        // A storage folder with nothing but its README holds nothing to give back.
        TestServices t;
        QVERIFY(t.folders.ensureStorageFolder());
        t.alerts.answer(QStringLiteral("Cancel"));
        t.manager().uninstall();
        QVERIFY(t.alerts.shown.last().checkboxTitle.isEmpty());
        t.scheduler.runUntilIdle();
        QCOMPARE(t.program.quits, 0);
        QVERIFY(QFileInfo::exists(t.storageFolder()));
        // Confirmed without ticking anything: the empty storage folder goes, and the app with
        // its right-click actions.
        t.alerts.answer(QStringLiteral("Uninstall"));
        t.manager().uninstall();
        t.scheduler.runUntilIdle();
        QVERIFY(!QFileInfo::exists(t.storageFolder()));
        QCOMPARE(t.program.quits, 1);
        QCOMPARE(t.program.integrationRemovals, 1);
        QVERIFY(t.alerts.problems.isEmpty());
        TIDORA_CHECK_INVARIANT(t.invariant);
    }
    // No stack, but a file lies in the storage folder: "Uninstall" waits for the box.
    TestServices t;
    t.invariant.addFile(QStringLiteral("Documents/.Tidora/stray.txt"));
    t.alerts.answer(QStringLiteral("Uninstall"));
    t.manager().uninstall();
    QCOMPARE(t.alerts.shown.last().checkboxEnables, 0);
    QCOMPARE(t.alerts.problems.size(), 1);
    t.scheduler.runUntilIdle();
    QVERIFY(QFileInfo::exists(t.storageFolder() + QStringLiteral("/stray.txt")));
    QCOMPARE(t.program.quits, 0);

    t.alerts.problems.clear();
    t.alerts.answer(ticked(QStringLiteral("Uninstall")));
    t.manager().uninstall();
    t.scheduler.runUntilIdle();
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("stray.txt"))));
    QCOMPARE(t.program.quits, 1);
    QVERIFY(t.alerts.problems.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestUninstall::everythingGoesBackToTheDesktop()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"), QPointF(100, 100));
    t.addDesktopFile(QStringLiteral("b.txt"), QPointF(200, 100));
    t.addDesktopFile(QStringLiteral("c.txt"), QPointF(300, 100));
    const DesktopStack collapsed = *t.stack({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    const DesktopStack spread = *t.stack({QStringLiteral("c.txt")});
    t.manager().spread(spread.id, false);
    t.scheduler.runUntilIdle();
    const QString storage = QStringLiteral("Documents/.Tidora/");
    // What else the storage folders hold: a file of the user's, a folder of theirs, a folder
    // reconciliation recovered, an old stack folder named by an id, a file the user put in a
    // stack's folder, and a file in the other storage folder.
    t.invariant.addFile(storage + QStringLiteral("loose.txt"));
    t.invariant.addFile(storage + QStringLiteral("Keep/inside.txt"));
    t.invariant.addFile(storage + QStringLiteral("Recovered files 2/r1.txt"));
    t.invariant.addFile(storage + QStringLiteral("Recovered files 2/r2.txt"));
    const QString uuid = StackListCodec::uuidText(QUuid::createUuid());
    t.invariant.addFile(storage + uuid + QStringLiteral("/old.txt"));
    t.invariant.addFile(storage + *collapsed.folderName + QStringLiteral("/README.txt"));
    t.invariant.addFile(QStringLiteral("Desktop/Tidorama Files/other.txt"));
    // And a Desktop file whose name a returning file must not take.
    t.addDesktopFile(QStringLiteral("loose.txt"));

    t.alerts.answer(ticked(QStringLiteral("Uninstall")));
    t.manager().uninstall();
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(StackListFile(t.paths, t.fs).loadStackList().isEmpty());
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(!QFileInfo::exists(t.desktopPath(QStringLiteral("Tidorama Files"))));
    QCOMPARE(t.namesIn(t.paths.desktop()),
             (QStringList{QStringLiteral("Keep"), QStringLiteral("README.txt"),
                          QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt"),
                          QStringLiteral("loose 2.txt"), QStringLiteral("loose.txt"),
                          QStringLiteral("old.txt"), QStringLiteral("other.txt"),
                          QStringLiteral("r1.txt"), QStringLiteral("r2.txt")}));
    QCOMPARE(t.namesIn(t.desktopPath(QStringLiteral("Keep"))),
             QStringList{QStringLiteral("inside.txt")});
    // The stacked files are back where their icons were.
    QCOMPARE(*t.desktop.icon(QStringLiteral("a.txt")), QPointF(100, 100));
    QCOMPARE(t.program.quits, 0);
    t.scheduler.runUntilIdle();
    QCOMPARE(t.program.quits, 1);
    QVERIFY(t.alerts.problems.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestUninstall::finishingRemovesTheTracesThenQuits()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    t.stack({QStringLiteral("a.txt")});
    writeTraces(t);
    // A file of the user's in the stacks file's folder keeps that folder.
    const QString mine = t.home.write(QStringLiteral(".local/share/Tidorama/mine.txt"), "mine");
    const QString stacksFile = t.manager().operations().records.file().stacksFileURL();
    QVERIFY(QFileInfo::exists(stacksFile));

    t.alerts.answer(ticked(QStringLiteral("Uninstall")));
    t.manager().uninstall();
    t.scheduler.runUntilIdle();
    QVERIFY(!QFileInfo::exists(stacksFile));
    QVERIFY(QFileInfo::exists(mine));
    QVERIFY(t.settings.removedAll());
    QVERIFY(!QFileInfo::exists(autostart(t)));
    QVERIFY(QFileInfo(t.paths.configRoot() + QStringLiteral("/autostart")).isDir());
    // Installed for every user (not from the home): the package manager removes it.
    QVERIFY(
        t.alerts.shown.last().informativeText.endsWith(QStringLiteral("sudo apt remove tidora")));
    QCOMPARE(t.program.quits, 1);
    TIDORA_CHECK_INVARIANT(t.invariant);

    // Without anything of the user's there, the folder goes too.
    TestServices u;
    writeTraces(u);
    u.alerts.answer(QStringLiteral("Uninstall"));
    u.manager().uninstall();
    u.scheduler.runUntilIdle();
    QVERIFY(!QFileInfo::exists(u.paths.dataFolder()));
    QCOMPARE(u.program.quits, 1);
}

void TestUninstall::aFileThatCannotLeaveBlocksTheRemoval()
{
    TestServices t;
    LogCapture log;
    t.addDesktopFile(QStringLiteral("stuck.txt"));
    t.addDesktopFile(QStringLiteral("free.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("stuck.txt"), QStringLiteral("free.txt")});
    writeTraces(t);
    t.fs.failMovesOf(QStringLiteral("stuck.txt"));
    t.alerts.answer(ticked(QStringLiteral("Uninstall")));
    t.manager().uninstall();
    t.scheduler.runUntilIdle();

    QVERIFY(t.alerts.messages().last().startsWith(blockedText +
                                                  QStringLiteral("~/Documents/.Tidora.")));
    const QString stuck = t.stackFolder(stack) + QStringLiteral("/stuck.txt");
    QVERIFY(QFileInfo::exists(stuck));
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("free.txt"))));
    // Nothing of the program is removed; it keeps running with no stacks.
    QCOMPARE(t.program.quits, 0);
    QCOMPARE(t.program.integrationRemovals, 0);
    QVERIFY(!t.settings.removedAll());
    QVERIFY(QFileInfo::exists(autostart(t)));
    QVERIFY(QFileInfo::exists(t.manager().operations().records.file().stacksFileURL()));
    QVERIFY(t.manager().stacks().isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestUninstall::namesThatAreNotUtf8BlockTheRemoval()
{
    TestServices t;
    t.addDesktopFile(QStringLiteral("a.txt"));
    const DesktopStack stack = *t.stack({QStringLiteral("a.txt")});
    // One in the stack's folder, one directly in the storage folder.
    const QByteArray badName("bad\xff\xfe");
    for (const QString& folder : {t.stackFolder(stack), t.storageFolder()}) {
        const QByteArray path = QFile::encodeName(folder) + '/' + badName;
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "kept", 4), ssize_t(4));
        ::close(fd);
    }
    t.alerts.answer(ticked(QStringLiteral("Uninstall")));
    t.manager().uninstall();
    QVERIFY(!t.alerts.shown.first().checkboxTitle.isEmpty());
    t.scheduler.runUntilIdle();
    QVERIFY(t.alerts.messages().last().startsWith(blockedText +
                                                  QStringLiteral("~/Documents/.Tidora.")));
    QCOMPARE(t.program.quits, 0);
    QVERIFY(rawNames(t.stackFolder(stack)).contains(badName));
    QVERIFY(rawNames(t.storageFolder()).contains(badName));
    QVERIFY(QFileInfo::exists(t.desktopPath(QStringLiteral("a.txt"))));
    TIDORA_CHECK_INVARIANT(t.invariant);

    // Such a name alone is something to give back, and keeps the storage folder.
    TestServices u;
    u.home.makeFolder(QStringLiteral("Documents/.Tidora"));
    const QByteArray path = QFile::encodeName(u.storageFolder()) + '/' + badName;
    ::close(::open(path.constData(), O_CREAT | O_WRONLY, 0644));
    u.alerts.answer(ticked(QStringLiteral("Uninstall")));
    u.manager().uninstall();
    QVERIFY(!u.alerts.shown.first().checkboxTitle.isEmpty());
    u.scheduler.runUntilIdle();
    QVERIFY(u.alerts.messages().last().startsWith(blockedText));
    QCOMPARE(u.program.quits, 0);
    QCOMPARE(rawNames(u.storageFolder()), QList<QByteArray>{badName});
}

void TestUninstall::perUserInstallIsRemovedByItsManifest()
{
    TestServices t;
    QTemporaryDir outsideHome;
    const QString outside = outsideHome.path() + QStringLiteral("/listed-outside.txt");
    QFile(outside).open(QIODevice::WriteOnly);
    const QString prefix = t.home.home() + QStringLiteral("/.local");
    const QStringList installed = {
        t.home.write(QStringLiteral(".local/bin/tidora"), "program"),
        t.home.write(QStringLiteral(".local/bin/tidora-finder"), "helper"),
        t.home.write(QStringLiteral(".local/share/applications/tidora.desktop"), "entry"),
        t.home.write(QStringLiteral(".local/share/icons/hicolor/64x64/apps/tidora.png"), "icon"),
        t.home.write(QStringLiteral(".local/share/tidora/help.txt"), "help"),
    };
    QVERIFY(
        QFile::link(QStringLiteral("/etc/hostname"), prefix + QStringLiteral("/bin/tidora-link")));
    // Not listed, or not the kind of thing the install removes: all stay.
    const QString other = t.home.write(QStringLiteral(".local/bin/other"), "someone else's");
    const QString otherEntry =
        t.home.write(QStringLiteral(".local/share/applications/other.desktop"));
    const QString listedFolder = t.home.makeFolder(QStringLiteral(".local/share/tidora/data"));
    t.home.write(QStringLiteral(".local/share/tidora/data/user.txt"), "user");
    // A link on the way out of the home: what it leads to is not the home's.
    QVERIFY(QFile::link(outsideHome.path(), prefix + QStringLiteral("/lib")));
    const QString throughLink = outsideHome.path() + QStringLiteral("/via-link.so");
    QFile(throughLink).open(QIODevice::WriteOnly);

    const QString manifest = prefix + QStringLiteral("/share/tidora/install-manifest.txt");
    QStringList lines = installed;
    lines << prefix + QStringLiteral("/bin/tidora-link") << outside << listedFolder
          << prefix + QStringLiteral("/lib/via-link.so") << prefix + QStringLiteral("/bin/missing")
          << QStringLiteral("relative/path") << manifest;
    t.home.write(QStringLiteral(".local/share/tidora/install-manifest.txt"),
                 lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    t.program.folder = prefix + QStringLiteral("/bin");
    QCOMPARE(InstallManifest::pathFor(t.program.folder), manifest);
    QVERIFY(InstallManifest::isPerUserInstall(t.fs, manifest, t.paths.home()));

    // Everything outside the allowed places as it is now; only the listed files may go.
    FileInvariant before(t.home);
    t.alerts.answer(QStringLiteral("Uninstall"));
    t.manager().uninstall();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.program.quits, 1);
    // No package command to tell of.
    QCOMPARE(t.alerts.shown.size(), 1);

    QStringList removed = installed;
    removed << prefix + QStringLiteral("/bin/tidora-link") << manifest
            << prefix + QStringLiteral("/share/icons/hicolor/64x64/apps");
    QStringList expected;
    for (const QString& path : std::as_const(removed))
        expected << QStringLiteral("removed outside the allowed places: ") + path;
    QStringList violations = before.violations();
    violations.sort();
    expected.sort();
    QCOMPARE(violations, expected);
    QVERIFY(QFileInfo::exists(outside));
    QVERIFY(QFileInfo::exists(throughLink));
    QVERIFY(QFileInfo::exists(QStringLiteral("/etc/hostname")));
    QVERIFY(QFileInfo::exists(other));
    QVERIFY(QFileInfo::exists(otherEntry));
    QVERIFY(QFileInfo::exists(listedFolder + QStringLiteral("/user.txt")));
    // The emptied folders below the prefix went; those still holding something stayed.
    QVERIFY(QFileInfo(prefix + QStringLiteral("/share/icons/hicolor/64x64")).isDir());
    QVERIFY(QFileInfo(prefix + QStringLiteral("/share/tidora")).isDir());
}

void TestUninstall::manifestOutsideTheHomeIsNotFollowed()
{
    TestServices t;
    QTemporaryDir system;
    // A manifest of a system-wide prefix that lists a file in the home.
    const QString inHome = t.home.write(QStringLiteral(".local/bin/tidora"), "program");
    QDir().mkpath(system.path() + QStringLiteral("/share/tidora"));
    const QString manifest = system.path() + QStringLiteral("/share/tidora/install-manifest.txt");
    QFile file(manifest);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(inHome.toUtf8() + '\n' + manifest.toUtf8() + '\n');
    file.close();
    t.program.folder = system.path() + QStringLiteral("/bin");
    QVERIFY(!InstallManifest::isPerUserInstall(t.fs, manifest, t.paths.home()));

    t.alerts.answer(QStringLiteral("Uninstall"));
    t.manager().uninstall();
    t.scheduler.runUntilIdle();
    QVERIFY(QFileInfo::exists(inHome));
    QVERIFY(QFileInfo::exists(manifest));
    QCOMPARE(t.alerts.shown.last().message,
             QStringLiteral("Remove Tidora with your package manager"));
    QCOMPARE(t.program.quits, 1);
}

QTEST_GUILESS_MAIN(TestUninstall)
#include "tst_uninstall.moc"
