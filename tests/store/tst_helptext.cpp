#include "MemorySettings.h"
#include "RecordingFolderGuard.h"
#include "TempHome.h"
#include "platform/linux/LinuxCloudSync.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LinuxWording.h"
#include "platform/linux/LocalFileSystem.h"
#include "platform/macos/MacosWording.h"
#include "store/HelpText.h"
#include "store/StorageFolders.h"

#include <QFile>
#include <QTest>

namespace {

const QString hidden = QStringLiteral("~/Documents/.Tidora");
const QString onDesktop = QStringLiteral("~/Desktop/Tidorama Files");

HelpPlaces places(StorageLocation current)
{
    const bool desktop = current == StorageLocation::desktop;
    return HelpPlaces{hidden, onDesktop, desktop ? onDesktop : hidden, desktop ? hidden : onDesktop,
                      QStringLiteral("~/Desktop")};
}

} // namespace

class TestHelpText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachBuildSpeaksOfItsOwnPlatform();
    void placesAreFilledInWithTheCurrentFolderFirst();
    void commandLinesTakeEachPathWhole_data();
    void commandLinesTakeEachPathWhole();
    void readmeOfTheCurrentLocation();
    void projectReadmeClosesWithTheHelp();
};

void TestHelpText::eachBuildSpeaksOfItsOwnPlatform()
{
    const QString linux = helpText(linuxWording(), places(StorageLocation::desktop));
    for (const char* macOnly : {"Finder", "iCloud", "Mac", "iPhone", "Command", "System Settings",
                                "Trash", "menu bar", "Option-click", "chmod", "defaults write"})
        QVERIFY2(!linux.contains(QLatin1String(macOnly)), macOnly);
    for (const char* own : {"Press Ctrl+H", "xdg-open ", "from the tray icon", "press Ctrl+L",
                            "Alt-click (or middle-click)", "on this computer too"})
        QVERIFY2(linux.contains(QLatin1String(own)), own);
    QVERIFY(linux.endsWith(QStringLiteral("use the right-click menu, Shift-drag or Auto-Stack by "
                                          "Type.")));

    const QString macos = helpText(macosWording(), places(StorageLocation::desktop));
    for (const char* own : {"Shift-Command-G", "chmod -R -N ~/Desktop/Tidorama Files",
                            "  open ~/Documents/.Tidora\n", "Option-click"})
        QVERIFY2(macos.contains(QLatin1String(own)), own);
    QVERIFY(!macos.contains(QStringLiteral("xdg-open")));
    QCOMPARE(macosWording().desktopLabel, QStringLiteral("Folder on the Desktop (for iCloud)"));
    // What is not about the platform reads alike in both.
    const QString shared = QStringLiteral("IF THE APP WAS DELETED ANOTHER WAY\nInstall Tidora "
                                          "again and open it.");
    QVERIFY(linux.contains(shared) && macos.contains(shared));
}

void TestHelpText::placesAreFilledInWithTheCurrentFolderFirst()
{
    for (const StorageLocation location : {StorageLocation::documents, StorageLocation::desktop}) {
        const HelpPlaces p = places(location);
        const QString text = helpText(linuxWording(), p);
        QVERIFY(!text.contains(QLatin1Char('{')));
        QVERIFY(text.contains(QStringLiteral("1. ~/Documents/.Tidora (hidden: its name starts with "
                                             "a dot)\n2. ~/Desktop/Tidorama Files\n")));
        QVERIFY(text.contains(QStringLiteral("Right now they are in ") + p.current + u'.'));
        QVERIFY(text.contains(QStringLiteral("The files stay safe in ") + p.current + u'.'));
        QVERIFY(text.contains(QStringLiteral("Type ") + p.current +
                              QStringLiteral(" and press Return. (If it isn't there, try ") +
                              p.other + QStringLiteral(".)")));
        QVERIFY(text.contains(QStringLiteral("  mv -n ") + shellPath(p.current) +
                              QStringLiteral("/*/* ~/Desktop/\nRun it again with ") + p.other +
                              QStringLiteral(" in place of ") + p.current));
        // The hidden folder is the one shown with Ctrl+H, wherever the files are now.
        QVERIFY(text.contains(QStringLiteral("  xdg-open ~/Documents/.Tidora\n")));
    }
}

void TestHelpText::commandLinesTakeEachPathWhole_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("word");
    QTest::newRow("plain") << QStringLiteral("~/Documents/.Tidora")
                           << QStringLiteral("~/Documents/.Tidora");
    QTest::newRow("space") << QStringLiteral("~/Desktop/Tidorama Files")
                           << QStringLiteral("~/'Desktop/Tidorama Files'");
    QTest::newRow("quote and dollar")
        << QStringLiteral("/srv/it's $HOME") << QStringLiteral("'/srv/it'\\''s $HOME'");
    QTest::newRow("accented") << QStringLiteral("~/Bureau/Fichiers r\u00E9cents")
                              << QStringLiteral("~/'Bureau/Fichiers r\u00E9cents'");
}

void TestHelpText::commandLinesTakeEachPathWhole()
{
    QFETCH(QString, path);
    QFETCH(QString, word);
    QCOMPARE(shellPath(path), word);

    // A home folder with braces and spaces: nothing is read as a placeholder twice.
    const QString home = QStringLiteral("/data/{C} x");
    const HelpPlaces odd{home + QStringLiteral("/Documents/.Tidora"),
                         home + QStringLiteral("/Desktop/Tidorama Files"),
                         home + QStringLiteral("/Documents/.Tidora"),
                         home + QStringLiteral("/Desktop/Tidorama Files"),
                         home + QStringLiteral("/Desktop")};
    const QString text = helpText(linuxWording(), odd);
    QVERIFY(text.contains(QStringLiteral("Right now they are in /data/{C} x/Documents/.Tidora.")));
    QVERIFY(text.contains(QStringLiteral("  xdg-open '/data/{C} x/Documents/.Tidora'\n")));
    QVERIFY(text.contains(
        QStringLiteral("  mv -n '/data/{C} x/Documents/.Tidora'/*/* '/data/{C} x/Desktop'/\n")));
}

void TestHelpText::readmeOfTheCurrentLocation()
{
    TempHome home;
    LinuxPaths paths;
    MemorySettings settings;
    LocalFileSystem fs;
    RecordingFolderGuard guard;
    LinuxCloudSync cloud(paths);
    const Wording wording = linuxWording();
    StorageFolders folders(paths, settings, fs, guard, cloud, wording);
    settings.setValue(SettingsKey::storageLocation, QStringLiteral("desktop"));
    QCOMPARE(folders.helpText(), helpText(wording, places(StorageLocation::desktop)));
    QCOMPARE(folders.readmeText(), wording.readmeIntro + folders.helpText() + QLatin1Char('\n'));
    settings.setValue(SettingsKey::storageLocation, QStringLiteral("documents"));
    QCOMPARE(folders.helpText(), helpText(wording, places(StorageLocation::documents)));
}

void TestHelpText::projectReadmeClosesWithTheHelp()
{
    QFile readme(QStringLiteral(TIDORA_SOURCE_DIR "/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const QString help = helpText(linuxWording(), places(StorageLocation::documents));
    QVERIFY2(text.endsWith(QStringLiteral("\n```text\n") + help + QStringLiteral("\n```\n")),
             "README.md must close with the help text for the hidden folder in Documents");
}

QTEST_GUILESS_MAIN(TestHelpText)
#include "tst_helptext.moc"
