#include "TempHome.h"
#include "platform/FileExchange.h"
#include "platform/linux/IniSettings.h"
#include "platform/linux/LinuxCloudSync.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/QtRunningProgram.h"

#include <QDir>
#include <QFile>
#include <QTest>

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
};

void TestPlatformPorts::pathsFollowTheXdgFolders()
{
    TempHome home;
    {
        const LinuxPaths paths;
        QCOMPARE(paths.home(), home.home());
        QCOMPARE(paths.desktop(), home.desktop());
        QCOMPARE(paths.dataFolder(), home.dataRoot() + QStringLiteral("/Tidorama"));
    }
    // A localised desktop named by xdg-user-dirs is the Desktop.
    home.write(QStringLiteral(".config/user-dirs.dirs"),
               "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    const LinuxPaths localised;
    QCOMPARE(localised.desktop(), home.home() + QStringLiteral("/Schreibtisch"));
    QCOMPARE(localised.documents(), home.home() + QStringLiteral("/Dokumente"));
}

void TestPlatformPorts::displayPathsUseTheTilde()
{
    TempHome home;
    const LinuxPaths paths;
    QCOMPARE(paths.displayPath(home.documents() + QStringLiteral("/.Tidora")),
             QStringLiteral("~/Documents/.Tidora"));
    // Only whole folder names count.
    QCOMPARE(paths.displayPath(home.home() + QStringLiteral("other/x")),
             home.home() + QStringLiteral("other/x"));
}

void TestPlatformPorts::settingsAreReadAfresh()
{
    TempHome home;
    const QString file = IniSettings::defaultFileName(home.configRoot());
    IniSettings first(file);
    IniSettings second(file);
    first.setValue(SettingsKey::storageLocation, QStringLiteral("desktop"));
    QCOMPARE(second.value(SettingsKey::storageLocation).toString(), QStringLiteral("desktop"));
    second.setValue(SettingsKey::storageLocation, QStringLiteral("documents"));
    QCOMPARE(first.value(SettingsKey::storageLocation).toString(), QStringLiteral("documents"));
    QVERIFY(QFile::exists(file));

    first.removeAll();
    QVERIFY(!QFile::exists(file));
    QVERIFY(!second.value(SettingsKey::storageLocation).isValid());

    // Only a real Boolean switches a default off.
    QVERIFY(first.boolValue(SettingsKey::shakeToStackEnabled, true));
    first.setValue(SettingsKey::shakeToStackEnabled, false);
    QVERIFY(!second.boolValue(SettingsKey::shakeToStackEnabled, true));
    first.setValue(SettingsKey::shakeToStackEnabled, QStringLiteral("no"));
    QVERIFY(second.boolValue(SettingsKey::shakeToStackEnabled, true));
}

void TestPlatformPorts::fileExchangeSwapsTwoNamesOrChangesNothing()
{
    TempHome home;
    const QString first = home.write(QStringLiteral("Documents/first"), "one");
    const QString second = home.write(QStringLiteral("Documents/second"), "two, longer");
    const FileExchange::Result swapped = FileExchange::exchange(first, second);
    QVERIFY2(swapped.outcome == FileExchange::Outcome::exchanged, qPrintable(swapped.error));
    QCOMPARE(TempHome::read(first), QByteArray("two, longer"));
    QCOMPARE(TempHome::read(second), QByteArray("one"));

    // A missing name fails without creating or moving anything.
    const QString missing = home.documents() + QStringLiteral("/missing");
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
    QTest::newRow("nothing") << QStringLiteral("Documents/x") << QString() << false;
    QTest::newRow("broken Dropbox")
        << QStringLiteral(".dropbox/info.json") << QStringLiteral("{not json") << false;
    QTest::newRow("broken Nextcloud") << QStringLiteral(".config/Nextcloud/nextcloud.cfg")
                                      << QStringLiteral("\x01\x02garbage") << false;
    QTest::newRow("Nextcloud syncs the home")
        << QStringLiteral(".config/Nextcloud/nextcloud.cfg")
        << QStringLiteral("[Accounts]\n0\\Folders\\1\\localPath=$HOME/\n0\\version=2\n") << true;
    QTest::newRow("Nextcloud syncs a folder named like the Desktop")
        << QStringLiteral(".config/Nextcloud/nextcloud.cfg")
        << QStringLiteral("[Accounts]\n0\\Folders\\1\\localPath=$HOME/Desk\n") << false;
    QTest::newRow("ownCloud syncs the Desktop")
        << QStringLiteral(".config/ownCloud/owncloud.cfg")
        << QStringLiteral("[Accounts]\n1\\Folders\\3\\localPath=$HOME/Desktop\n") << true;
    QTest::newRow("Dropbox holds the home")
        << QStringLiteral(".dropbox/info.json")
        << QStringLiteral("{\"personal\": {\"path\": \"$HOME\", \"host\": 1}}") << true;
    QTest::newRow("Dropbox elsewhere")
        << QStringLiteral(".dropbox/info.json")
        << QStringLiteral("{\"business\": {\"path\": \"$HOME/Dropbox\"}}") << false;
    QTest::newRow("Syncthing shares the Desktop")
        << QStringLiteral("Desktop/.stfolder/.keep") << QString() << true;
    QTest::newRow("Syncthing shares Documents")
        << QStringLiteral("Documents/.stfolder") << QString() << false;
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
    text.replace(QStringLiteral("$HOME"), home.home());
    home.write(file, text.toUtf8());
    QCOMPARE(cloud.isSynced(home.desktop()), synced);
}

void TestPlatformPorts::theDesktopIsJudgedWhereItReallyIs()
{
    TempHome home;
    // The Desktop is a link into the synced folder.
    home.makeFolder(QStringLiteral("Nextcloud/Desktop"));
    QVERIFY(QDir(home.desktop()).removeRecursively());
    QVERIFY(QFile::link(home.home() + QStringLiteral("/Nextcloud/Desktop"), home.desktop()));
    home.write(QStringLiteral(".config/Nextcloud/nextcloud.cfg"),
               "[Accounts]\n0\\Folders\\1\\localPath=" + home.home().toUtf8() + "/Nextcloud/\n");
    LinuxPaths paths;
    QVERIFY(LinuxCloudSync(paths).isSynced(home.desktop()));
}

void TestPlatformPorts::theWayTheProgramWasInstalledIsKnown()
{
    TempHome home;
    const QString built = home.write(QStringLiteral("src/build/bin/tidora"), "program");
    const QString copied = home.write(QStringLiteral("opt/bin/tidora"), "program");
    const QString list = home.write(QStringLiteral("dpkg/tidora.list"),
                                    "/.\n/usr\n/usr/bin\n" + copied.toUtf8() + "\n");
    const QString noList = home.home() + QStringLiteral("/dpkg/none.list");
    // Listed by the package, even through a link to it.
    QCOMPARE(QtRunningProgram::installationOf(copied, list), Installation::byPackage);
    QVERIFY(QFile::link(copied, home.home() + QStringLiteral("/link")));
    QCOMPARE(QtRunningProgram::installationOf(home.home() + QStringLiteral("/link"), list),
             Installation::byPackage);
    QCOMPARE(QtRunningProgram::installationOf(copied, noList), Installation::byHand);
    QCOMPARE(QtRunningProgram::installationOf(built, list), Installation::byHand);
    home.write(QStringLiteral("src/build/CMakeCache.txt"), "# cache\n");
    QCOMPARE(QtRunningProgram::installationOf(built, list), Installation::buildFolder);
}

QTEST_GUILESS_MAIN(TestPlatformPorts)
#include "tst_platformports.moc"
