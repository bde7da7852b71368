#include "TempHome.h"
#include "platform/FileExchange.h"
#include "platform/linux/GnomeShortcut.h"
#include "platform/linux/IniSettings.h"
#include "platform/linux/LinuxCloudSync.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/QtRunningProgram.h"
#include "platform/linux/SafeGSettings.h"
#include "platform/linux/TerminationSignal.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

class TestPlatformPorts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pathsFollowTheXdgFolders();
    void displayPathsUseTheTilde();
    void settingsAreReadAfresh();
    void fileExchangeSwapsTwoNamesOrChangesNothing();
    void syncClientsAreRecognised_data();
    void syncClientsAreRecognised();
    void theDesktopIsJudgedWhereItReallyIs();
    void theWayTheProgramWasInstalledIsKnown();
    void beingToldToEndIsASignalOnce();
    void gnomeKeybindingJoinsTheUsersOwn();
};

void TestPlatformPorts::pathsFollowTheXdgFolders()
{
    TempHome home;
    {
        const LinuxPaths paths;
        QCOMPARE(paths.home(), home.home());
        QCOMPARE(paths.desktop(), home.desktop());
        QCOMPARE(paths.dataFolder(), home.dataRoot() + u"/Tidorama"_s);
    }
    // A localised desktop named by xdg-user-dirs is the Desktop.
    home.write(u".config/user-dirs.dirs"_s,
               "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    const LinuxPaths localised;
    QCOMPARE(localised.desktop(), home.home() + u"/Schreibtisch"_s);
    QCOMPARE(localised.documents(), home.home() + u"/Dokumente"_s);
}

void TestPlatformPorts::displayPathsUseTheTilde()
{
    TempHome home;
    const LinuxPaths paths;
    QCOMPARE(paths.displayPath(home.documents() + u"/.Tidora"_s), u"~/Documents/.Tidora"_s);
    // Only whole folder names count.
    QCOMPARE(paths.displayPath(home.home() + u"other/x"_s), home.home() + u"other/x"_s);
}

void TestPlatformPorts::settingsAreReadAfresh()
{
    TempHome home;
    const QString file = IniSettings::defaultFileName(home.configRoot());
    IniSettings first(file);
    IniSettings second(file);
    first.setValue(SettingsKey::storageLocation, u"desktop"_s);
    QCOMPARE(second.value(SettingsKey::storageLocation).toString(), u"desktop"_s);
    second.setValue(SettingsKey::storageLocation, u"documents"_s);
    QCOMPARE(first.value(SettingsKey::storageLocation).toString(), u"documents"_s);
    QVERIFY(QFile::exists(file));

    first.removeAll();
    QVERIFY(!QFile::exists(file));
    QVERIFY(!second.value(SettingsKey::storageLocation).isValid());

    // Only a real Boolean switches a default off.
    QVERIFY(first.boolValue(SettingsKey::shakeToStackEnabled, true));
    first.setValue(SettingsKey::shakeToStackEnabled, false);
    QVERIFY(!second.boolValue(SettingsKey::shakeToStackEnabled, true));
    first.setValue(SettingsKey::shakeToStackEnabled, u"no"_s);
    QVERIFY(second.boolValue(SettingsKey::shakeToStackEnabled, true));
}

void TestPlatformPorts::fileExchangeSwapsTwoNamesOrChangesNothing()
{
    TempHome home;
    const QString first = home.write(u"Documents/first"_s, "one");
    const QString second = home.write(u"Documents/second"_s, "two, longer");
    const FileExchange::Result swapped = FileExchange::exchange(first, second);
    QVERIFY2(swapped.outcome == FileExchange::Outcome::exchanged, qPrintable(swapped.error));
    QCOMPARE(TempHome::read(first), QByteArray("two, longer"));
    QCOMPARE(TempHome::read(second), QByteArray("one"));

    // A missing name fails without creating or moving anything.
    const QString missing = home.documents() + u"/missing"_s;
    const FileExchange::Result failed = FileExchange::exchange(first, missing);
    QCOMPARE(failed.outcome, FileExchange::Outcome::failed);
    QVERIFY(!failed.error.isEmpty());
    QVERIFY(!QFile::exists(missing));
    QCOMPARE(TempHome::read(first), QByteArray("two, longer"));
}

void TestPlatformPorts::syncClientsAreRecognised_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("synced");
    // Nothing, or configurations broken beyond reading, count as nothing synced.
    QTest::newRow("nothing") << u"Documents/x"_s << QString() << false;
    QTest::newRow("broken Dropbox") << u".dropbox/info.json"_s << u"{not json"_s << false;
    QTest::newRow("broken Nextcloud")
        << u".config/Nextcloud/nextcloud.cfg"_s << u"\x01\x02garbage"_s << false;
    QTest::newRow("Nextcloud syncs the home")
        << u".config/Nextcloud/nextcloud.cfg"_s
        << u"[Accounts]\n0\\Folders\\1\\localPath=$HOME/\n0\\version=2\n"_s << true;
    QTest::newRow("Nextcloud syncs a folder named like the Desktop")
        << u".config/Nextcloud/nextcloud.cfg"_s
        << u"[Accounts]\n0\\Folders\\1\\localPath=$HOME/Desk\n"_s << false;
    QTest::newRow("ownCloud syncs the Desktop")
        << u".config/ownCloud/owncloud.cfg"_s
        << u"[Accounts]\n1\\Folders\\3\\localPath=$HOME/Desktop\n"_s << true;
    QTest::newRow("Dropbox holds the home")
        << u".dropbox/info.json"_s << u"{\"personal\": {\"path\": \"$HOME\", \"host\": 1}}"_s
        << true;
    QTest::newRow("Dropbox elsewhere")
        << u".dropbox/info.json"_s << u"{\"business\": {\"path\": \"$HOME/Dropbox\"}}"_s << false;
    QTest::newRow("Syncthing shares the Desktop")
        << u"Desktop/.stfolder/.keep"_s << QString() << true;
    QTest::newRow("Syncthing shares Documents") << u"Documents/.stfolder"_s << QString() << false;
}

void TestPlatformPorts::syncClientsAreRecognised()
{
    QFETCH(QString, file);
    QFETCH(QString, content);
    QFETCH(bool, synced);
    TempHome home;
    LinuxPaths paths;
    LinuxCloudSync cloud(paths);
    QString text = content;
    text.replace(u"$HOME"_s, home.home());
    home.write(file, text.toUtf8());
    QCOMPARE(cloud.isSynced(home.desktop()), synced);
}

void TestPlatformPorts::theDesktopIsJudgedWhereItReallyIs()
{
    TempHome home;
    // The Desktop is a link into the synced folder.
    home.makeFolder(u"Nextcloud/Desktop"_s);
    QVERIFY(QDir(home.desktop()).removeRecursively());
    QVERIFY(QFile::link(home.home() + u"/Nextcloud/Desktop"_s, home.desktop()));
    home.write(u".config/Nextcloud/nextcloud.cfg"_s,
               "[Accounts]\n0\\Folders\\1\\localPath=" + home.home().toUtf8() + "/Nextcloud/\n");
    LinuxPaths paths;
    QVERIFY(LinuxCloudSync(paths).isSynced(home.desktop()));
}

void TestPlatformPorts::theWayTheProgramWasInstalledIsKnown()
{
    TempHome home;
    const QString built = home.write(u"src/build/bin/tidora"_s, "program");
    const QString copied = home.write(u"opt/bin/tidora"_s, "program");
    const QString list =
        home.write(u"dpkg/tidora.list"_s, "/.\n/usr\n/usr/bin\n" + copied.toUtf8() + "\n");
    const QString noList = home.home() + u"/dpkg/none.list"_s;
    // Listed by the package, even through a link to it.
    QCOMPARE(QtRunningProgram::installationOf(copied, list), Installation::byPackage);
    QVERIFY(QFile::link(copied, home.home() + u"/link"_s));
    QCOMPARE(QtRunningProgram::installationOf(home.home() + u"/link"_s, list),
             Installation::byPackage);
    QCOMPARE(QtRunningProgram::installationOf(copied, noList), Installation::byHand);
    QCOMPARE(QtRunningProgram::installationOf(built, list), Installation::byHand);
    home.write(u"src/build/CMakeCache.txt"_s, "# cache\n");
    QCOMPARE(QtRunningProgram::installationOf(built, list), Installation::buildFolder);
}

void TestPlatformPorts::beingToldToEndIsASignalOnce()
{
    const TerminationSignal termination;
    QSignalSpy received(&termination, &TerminationSignal::received);
    QCOMPARE(::raise(SIGTERM), 0);
    QVERIFY(received.wait(5000));
    // A second one would end the program at once.
    struct sigaction now
    {};
    QCOMPARE(sigaction(SIGTERM, nullptr, &now), 0);
    QVERIFY(now.sa_handler == SIG_DFL);
}

void TestPlatformPorts::gnomeKeybindingJoinsTheUsersOwn()
{
    // GNOME's settings of this process alone.
    qputenv("GSETTINGS_BACKEND", "memory");
    const GSettingsPtr list = openSettings("org.gnome.settings-daemon.plugins.media-keys");
    const GSettingsPtr entry =
        openSettings("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding",
                     "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/tidora/");
    QVERIFY2(list && entry, "GNOME's settings schemas are not installed");
    const auto keybindings = [&list] {
        gchar** paths = g_settings_get_strv(list.get(), "custom-keybindings");
        QStringList found;
        for (gchar** path = paths; *path; ++path)
            found.append(QString::fromUtf8(*path));
        g_strfreev(paths);
        return found;
    };
    const auto command = [&entry] {
        gchar* text = g_settings_get_string(entry.get(), "command");
        const QString value = QString::fromUtf8(text);
        g_free(text);
        return value;
    };
    const char* own[] = {
        "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/", nullptr};
    g_settings_set_strv(list.get(), "custom-keybindings", own);

    // Added beside the user's own, once however often Tidora starts.
    QVERIFY(GnomeShortcut::install(u"/opt/my apps/tidora"_s));
    QVERIFY(GnomeShortcut::install(u"/opt/my apps/tidora"_s));
    QCOMPARE(keybindings(),
             (QStringList{
                 QString::fromLatin1(own[0]),
                 u"/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/tidora/"_s}));
    QCOMPARE(command(), u"'/opt/my apps/tidora' tidorama://stack-selection"_s);

    // Taken away, the user's own stays.
    GnomeShortcut::remove();
    QCOMPARE(keybindings(), QStringList{QString::fromLatin1(own[0])});
    QVERIFY(command().isEmpty());
}

QTEST_GUILESS_MAIN(TestPlatformPorts)
#include "tst_platformports.moc"
