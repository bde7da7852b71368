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

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString blockedText =
    u"Some files couldn't be moved to your Desktop, so Tidora was not removed. They are in "_s;

ScriptedAlerts::Reply ticked(const QString& button)
{
    return ScriptedAlerts::Reply{button, true};
}

// Writes a file whose name is not UTF-8 into `folder`.
bool writeUnnamed(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder) + "/bad\xff\xfe";
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    return fd >= 0 && ::write(fd, "kept", 4) == 4 && ::close(fd) == 0;
}

// How many names in `folder` are not UTF-8.
int unnamedIn(TestServices& t, const QString& folder)
{
    return t.fs.list(folder).value_or(Listing{}).unnamed;
}

// The traces a finished uninstall removes, put in place.
void writeTraces(TestServices& t)
{
    t.settings.setValue(SettingsKey::storageLocation, u"documents"_s);
    t.home.write(u".config/autostart/tidora.desktop"_s, "[Desktop Entry]\n");
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
    void aFileThatCannotLeaveBlocksTheRemoval();
    void namesThatAreNotUtf8BlockTheRemoval();
    void perUserInstallIsRemovedByItsManifest();
    void manifestOutsideTheHomeIsNotFollowed();
    void aProgramThatCannotRemoveItselfSaysHowItGoes_data();
    void aProgramThatCannotRemoveItselfSaysHowItGoes();
};

void TestUninstall::theCheckboxIsAskedForOnlyWhenFilesGoBack()
{
    {
        // A storage folder with nothing but its README holds nothing to give back.
        TestServices t;
        QVERIFY(t.folders.ensureStorageFolder());
        writeTraces(t);
        t.alerts.answer(u"Cancel"_s);
        t.manager().uninstall();
        QVERIFY(t.alerts.shown.last().checkboxTitle.isEmpty());
        t.scheduler.runUntilIdle();
        QCOMPARE(t.program.quits, 0);
        QVERIFY(QFileInfo::exists(t.storageFolder()));
        // Confirmed without ticking anything: the empty storage folder goes, and the app with
        // its right-click actions.
        t.alerts.answer(u"Uninstall"_s);
        t.manager().uninstall();
        t.scheduler.runUntilIdle();
        QVERIFY(!QFileInfo::exists(t.storageFolder()));
        // Without anything of the user's there, the stacks file's folder goes too.
        QVERIFY(!QFileInfo::exists(t.paths.dataFolder()));
        QCOMPARE(t.program.quits, 1);
        QCOMPARE(t.program.integrationRemovals, 1);
        // Nothing was stacked, so nothing is said to be back.
        QVERIFY(t.alerts.shown.last().informativeText.startsWith(
            u"Tidora's settings are removed. Tidora was installed for every user"_s));
        TIDORA_CHECK_INVARIANT(t.invariant);
    }
    // No stack, but a file lies in the storage folder: "Uninstall" waits for the box.
    TestServices t;
    t.invariant.addFile(u"Documents/.Tidora/stray.txt"_s);
    t.alerts.answer(u"Uninstall"_s);
    t.manager().uninstall();
    QCOMPARE(t.alerts.shown.last().checkboxEnables, 0);
    QCOMPARE(t.alerts.problems.size(), 1);
    t.scheduler.runUntilIdle();
    QVERIFY(QFileInfo::exists(t.storageFolder() + u"/stray.txt"_s));
    QCOMPARE(t.program.quits, 0);

    t.alerts.problems.clear();
    t.alerts.answer(ticked(u"Uninstall"_s));
    t.manager().uninstall();
    t.scheduler.runUntilIdle();
    QVERIFY(QFileInfo::exists(t.desktopPath(u"stray.txt"_s)));
    QCOMPARE(t.program.quits, 1);
    QVERIFY(t.alerts.problems.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestUninstall::everythingGoesBackToTheDesktop()
{
    TestServices t;
    t.addDesktopFile(u"a.txt"_s, QPointF(100, 100));
    t.addDesktopFile(u"b.txt"_s, QPointF(200, 100));
    t.addDesktopFile(u"c.txt"_s, QPointF(300, 100));
    const DesktopStack collapsed = *t.stack({u"a.txt"_s, u"b.txt"_s});
    const DesktopStack spread = *t.stack({u"c.txt"_s});
    t.manager().spread(spread.id, false);
    t.scheduler.runUntilIdle();
    const QString storage = u"Documents/.Tidora/"_s;
    // What else the storage folders hold: a file of the user's, a folder of theirs, a folder
    // reconciliation recovered, an old stack folder named by an id, a file the user put in a
    // stack's folder, and a file in the other storage folder.
    t.invariant.addFile(storage + u"loose.txt"_s);
    t.invariant.addFile(storage + u"Keep/inside.txt"_s);
    t.invariant.addFile(storage + u"Recovered files 2/r1.txt"_s);
    t.invariant.addFile(storage + u"Recovered files 2/r2.txt"_s);
    const QString uuid = StackListCodec::uuidText(QUuid::createUuid());
    t.invariant.addFile(storage + uuid + u"/old.txt"_s);
    t.invariant.addFile(storage + *collapsed.folderName + u"/README.txt"_s);
    t.invariant.addFile(u"Desktop/Tidorama Files/other.txt"_s);
    // And a Desktop file whose name a returning file must not take.
    t.addDesktopFile(u"loose.txt"_s);
    writeTraces(t);
    // A file of the user's in the stacks file's folder keeps that folder.
    const QString mine = t.home.write(u".local/share/Tidorama/mine.txt"_s, "mine");
    const QString stacksFile = t.manager().operations().records.file().stacksFileURL();

    t.alerts.answer(ticked(u"Uninstall"_s));
    t.manager().uninstall();
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(StackListFile(t.paths, t.fs).loadStackList().isEmpty());
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    QVERIFY(!QFileInfo::exists(t.desktopPath(u"Tidorama Files"_s)));
    QCOMPARE(t.namesIn(t.paths.desktop()),
             (QStringList{u"Keep"_s, u"README.txt"_s, u"a.txt"_s, u"b.txt"_s, u"c.txt"_s,
                          u"loose 2.txt"_s, u"loose.txt"_s, u"old.txt"_s, u"other.txt"_s,
                          u"r1.txt"_s, u"r2.txt"_s}));
    QCOMPARE(t.namesIn(t.desktopPath(u"Keep"_s)), QStringList{u"inside.txt"_s});
    // The stacked files are back where their icons were.
    QCOMPARE(*t.desktop.icon(u"a.txt"_s), QPointF(100, 100));
    // The traces go once the files are back, then the program quits.
    QCOMPARE(t.program.quits, 0);
    t.scheduler.runUntilIdle();
    QCOMPARE(t.program.quits, 1);
    QVERIFY(t.alerts.problems.isEmpty());
    QVERIFY(!QFileInfo::exists(stacksFile));
    QVERIFY(QFileInfo::exists(mine));
    QVERIFY(t.settings.removedAll());
    QVERIFY(!QFileInfo::exists(autostart(t)));
    QVERIFY(QFileInfo(t.paths.configRoot() + u"/autostart"_s).isDir());
    // Installed by the package manager, which removes it.
    QVERIFY(t.alerts.shown.last().informativeText.startsWith(
        u"Your stacked files are back on your Desktop, and Tidora's settings are removed. "_s));
    QVERIFY(t.alerts.shown.last().informativeText.endsWith(u"sudo apt remove tidora"_s));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestUninstall::aFileThatCannotLeaveBlocksTheRemoval()
{
    TestServices t;
    LogCapture log;
    const DesktopStack stack = t.stackNew({u"stuck.txt"_s, u"free.txt"_s});
    writeTraces(t);
    t.fs.failMovesOf(u"stuck.txt"_s);
    t.alerts.answer(ticked(u"Uninstall"_s));
    t.manager().uninstall();
    t.scheduler.runUntilIdle();

    QVERIFY(t.alerts.messages().last().startsWith(blockedText + u"~/Documents/.Tidora."_s));
    const QString stuck = t.stackFolder(stack) + u"/stuck.txt"_s;
    QVERIFY(QFileInfo::exists(stuck));
    QVERIFY(QFileInfo::exists(t.desktopPath(u"free.txt"_s)));
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
    const DesktopStack stack = t.stackNew({u"a.txt"_s});
    // One in the stack's folder, one directly in the storage folder.
    QVERIFY(writeUnnamed(t.stackFolder(stack)) && writeUnnamed(t.storageFolder()));
    t.alerts.answer(ticked(u"Uninstall"_s));
    t.manager().uninstall();
    QVERIFY(!t.alerts.shown.first().checkboxTitle.isEmpty());
    t.scheduler.runUntilIdle();
    QVERIFY(t.alerts.messages().last().startsWith(blockedText + u"~/Documents/.Tidora."_s));
    QCOMPARE(t.program.quits, 0);
    QCOMPARE(unnamedIn(t, t.stackFolder(stack)), 1);
    QCOMPARE(unnamedIn(t, t.storageFolder()), 1);
    QVERIFY(QFileInfo::exists(t.desktopPath(u"a.txt"_s)));
    TIDORA_CHECK_INVARIANT(t.invariant);

    // Such a name alone is something to give back, and keeps the storage folder.
    TestServices u;
    QVERIFY(writeUnnamed(u.home.makeFolder(u"Documents/.Tidora"_s)));
    u.alerts.answer(ticked(u"Uninstall"_s));
    u.manager().uninstall();
    QVERIFY(!u.alerts.shown.first().checkboxTitle.isEmpty());
    u.scheduler.runUntilIdle();
    QVERIFY(u.alerts.messages().last().startsWith(blockedText));
    QCOMPARE(u.program.quits, 0);
    QCOMPARE(unnamedIn(u, u.storageFolder()), 1);
}

void TestUninstall::perUserInstallIsRemovedByItsManifest()
{
    TestServices t;
    QTemporaryDir outsideHome;
    const QString outside = outsideHome.path() + u"/listed-outside.txt"_s;
    QFile(outside).open(QIODevice::WriteOnly);
    const QString prefix = t.home.home() + u"/.local"_s;
    const QStringList installed = {
        t.home.write(u".local/bin/tidora"_s, "program"),
        t.home.write(u".local/bin/tidora-finder"_s, "helper"),
        t.home.write(u".local/share/applications/tidora.desktop"_s, "entry"),
        t.home.write(u".local/share/icons/hicolor/64x64/apps/tidora.png"_s, "icon"),
        t.home.write(u".local/share/tidora/help.txt"_s, "help"),
    };
    QVERIFY(QFile::link(u"/etc/hostname"_s, prefix + u"/bin/tidora-link"_s));
    // Not listed, or not the kind of thing the install removes: all stay.
    const QString other = t.home.write(u".local/bin/other"_s, "someone else's");
    const QString otherEntry = t.home.write(u".local/share/applications/other.desktop"_s);
    const QString listedFolder = t.home.makeFolder(u".local/share/tidora/data"_s);
    t.home.write(u".local/share/tidora/data/user.txt"_s, "user");
    // A link on the way out of the home: what it leads to is not the home's.
    QVERIFY(QFile::link(outsideHome.path(), prefix + u"/lib"_s));
    const QString throughLink = outsideHome.path() + u"/via-link.so"_s;
    QFile(throughLink).open(QIODevice::WriteOnly);

    const QString manifest = prefix + u"/share/tidora/install-manifest.txt"_s;
    QStringList lines = installed;
    lines << prefix + u"/bin/tidora-link"_s << outside << listedFolder
          << prefix + u"/lib/via-link.so"_s << prefix + u"/bin/missing"_s << u"relative/path"_s
          << manifest;
    t.home.write(u".local/share/tidora/install-manifest.txt"_s,
                 lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    t.program.folder = prefix + u"/bin"_s;
    QCOMPARE(InstallManifest::pathFor(t.program.folder), manifest);
    QVERIFY(InstallManifest::isPerUserInstall(t.fs, manifest, t.paths.home()));

    // Everything outside the allowed places as it is now; only the listed files may go.
    FileInvariant before(t.home);
    t.alerts.answer(u"Uninstall"_s);
    t.manager().uninstall();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.program.quits, 1);
    // It says where the program goes from, and has no package command to tell of.
    QVERIFY(t.alerts.shown.first().informativeText.contains(
        u"Then the app's settings and the app itself are removed; the app is deleted from "
        "~/.local. If any"_s));
    QCOMPARE(t.alerts.shown.size(), 1);
    // The desktop's lists of programs and icons forget it.
    QCOMPARE(t.program.refreshed, QStringList{prefix});

    QStringList removed = installed;
    removed << prefix + u"/bin/tidora-link"_s << manifest
            << prefix + u"/share/icons/hicolor/64x64/apps"_s;
    QStringList expected;
    for (const QString& path : std::as_const(removed))
        expected << u"removed outside the allowed places: "_s + path;
    QStringList violations = before.violations();
    violations.sort();
    expected.sort();
    QCOMPARE(violations, expected);
    QVERIFY(QFileInfo::exists(outside));
    QVERIFY(QFileInfo::exists(throughLink));
    QVERIFY(QFileInfo::exists(u"/etc/hostname"_s));
    QVERIFY(QFileInfo::exists(other));
    QVERIFY(QFileInfo::exists(otherEntry));
    QVERIFY(QFileInfo::exists(listedFolder + u"/user.txt"_s));
    // The emptied folders below the prefix went; those still holding something stayed.
    QVERIFY(QFileInfo(prefix + u"/share/icons/hicolor/64x64"_s).isDir());
    QVERIFY(QFileInfo(prefix + u"/share/tidora"_s).isDir());
}

void TestUninstall::manifestOutsideTheHomeIsNotFollowed()
{
    TestServices t;
    QTemporaryDir system;
    // A manifest of a system-wide prefix that lists a file in the home.
    const QString inHome = t.home.write(u".local/bin/tidora"_s, "program");
    QDir().mkpath(system.path() + u"/share/tidora"_s);
    const QString manifest = system.path() + u"/share/tidora/install-manifest.txt"_s;
    QFile file(manifest);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(inHome.toUtf8() + '\n' + manifest.toUtf8() + '\n');
    file.close();
    t.program.folder = system.path() + u"/bin"_s;
    QVERIFY(!InstallManifest::isPerUserInstall(t.fs, manifest, t.paths.home()));

    t.alerts.answer(u"Uninstall"_s);
    t.manager().uninstall();
    t.scheduler.runUntilIdle();
    QVERIFY(QFileInfo::exists(inHome));
    QVERIFY(QFileInfo::exists(manifest));
    QCOMPARE(t.alerts.shown.last().message, u"Remove Tidora with your package manager"_s);
    QCOMPARE(t.program.quits, 1);
}

void TestUninstall::aProgramThatCannotRemoveItselfSaysHowItGoes_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("message");
    QTest::newRow("package") << int(Installation::byPackage)
                             << u"the app itself was installed with your package manager"_s
                             << u"Remove Tidora with your package manager"_s;
    QTest::newRow("by hand") << int(Installation::byHand)
                             << u"the app itself was installed in /opt/tidora by hand"_s
                             << u"Remove Tidora from /opt/tidora"_s;
    QTest::newRow("build folder") << int(Installation::buildFolder)
                                  << u"stays in the folder it was built in, /opt/tidora."_s
                                  << u"Tidora's build folder stays"_s;
}

void TestUninstall::aProgramThatCannotRemoveItselfSaysHowItGoes()
{
    QFETCH(int, how);
    QFETCH(QString, confirmation);
    QFETCH(QString, message);
    TestServices t;
    t.program.folder = u"/opt/tidora/bin"_s;
    t.program.how = Installation(how);
    t.alerts.answer(u"Uninstall"_s);
    t.manager().uninstall();
    t.scheduler.runUntilIdle();
    QCOMPARE(t.program.quits, 1);
    const QString asked = t.alerts.shown.first().informativeText;
    QVERIFY2(asked.contains(confirmation), qPrintable(asked));
    QVERIFY(!asked.contains(u"the app itself are removed"_s));
    QCOMPARE(t.alerts.shown.last().message, message);
}

QTEST_GUILESS_MAIN(TestUninstall)
#include "tst_uninstall.moc"
