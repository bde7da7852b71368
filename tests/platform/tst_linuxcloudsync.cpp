#include "TempHome.h"
#include "platform/linux/LinuxCloudSync.h"
#include "platform/linux/LinuxPaths.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestLinuxCloudSync : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nothingSyncsByDefault();
    void syncClientsAreRecognised_data();
    void syncClientsAreRecognised();
    void theDesktopIsJudgedWhereItReallyIs();
};

void TestLinuxCloudSync::nothingSyncsByDefault()
{
    TempHome home;
    LinuxPaths paths;
    LinuxCloudSync cloud(paths);
    QVERIFY(!cloud.isSynced(home.desktop()));
    QVERIFY(cloud.syncedFolders().isEmpty());
    // Broken configurations count as nothing.
    home.write(QStringLiteral(".dropbox/info.json"), "{not json");
    home.write(QStringLiteral(".config/Nextcloud/nextcloud.cfg"), "\x01\x02garbage");
    QVERIFY(!cloud.isSynced(home.desktop()));
}

void TestLinuxCloudSync::syncClientsAreRecognised_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("synced");
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

void TestLinuxCloudSync::syncClientsAreRecognised()
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

void TestLinuxCloudSync::theDesktopIsJudgedWhereItReallyIs()
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

QTEST_GUILESS_MAIN(TestLinuxCloudSync)
#include "tst_linuxcloudsync.moc"
