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

using namespace Qt::StringLiterals;

namespace {

const QString hidden = u"~/Documents/.Tidora"_s;
const QString onDesktop = u"~/Desktop/Tidorama Files"_s;

HelpPlaces places(StorageLocation current)
{
    const bool desktop = current == StorageLocation::desktop;
    return HelpPlaces{hidden, onDesktop, desktop ? onDesktop : hidden, desktop ? hidden : onDesktop,
                      u"~/Desktop"_s};
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
    QVERIFY(linux.endsWith(u"use the right-click menu, Shift-drag or Auto-Stack by Type."_s));

    const QString macos = helpText(macosWording(), places(StorageLocation::desktop));
    for (const char* own : {"Shift-Command-G", "chmod -R -N ~/Desktop/Tidorama Files",
                            "  open ~/Documents/.Tidora\n", "Option-click"})
        QVERIFY2(macos.contains(QLatin1String(own)), own);
    QVERIFY(!macos.contains(u"xdg-open"_s));
    QCOMPARE(macosWording().desktopLabel, u"Folder on the Desktop (for iCloud)"_s);
    // What is not about the platform reads alike in both.
    const QString shared = u"IF THE APP WAS DELETED ANOTHER WAY\nInstall Tidora "
                           "again and open it."_s;
    QVERIFY(linux.contains(shared) && macos.contains(shared));
}

void TestHelpText::placesAreFilledInWithTheCurrentFolderFirst()
{
    for (const StorageLocation location : {StorageLocation::documents, StorageLocation::desktop}) {
        const HelpPlaces p = places(location);
        const QString text = helpText(linuxWording(), p);
        QVERIFY(!text.contains(QLatin1Char('{')));
        QVERIFY(text.contains(u"1. ~/Documents/.Tidora (hidden: its name starts with "
                              "a dot)\n2. ~/Desktop/Tidorama Files\n"_s));
        QVERIFY(text.contains(u"Right now they are in "_s + p.current + u'.'));
        QVERIFY(text.contains(u"The files stay safe in "_s + p.current + u'.'));
        QVERIFY(text.contains(u"Type "_s + p.current +
                              u" and press Return. (If it isn't there, try "_s + p.other +
                              u".)"_s));
        QVERIFY(text.contains(u"  mv -n "_s + shellPath(p.current) +
                              u"/*/* ~/Desktop/\nRun it again with "_s + p.other +
                              u" in place of "_s + p.current));
        // The hidden folder is the one shown with Ctrl+H, wherever the files are now.
        QVERIFY(text.contains(u"  xdg-open ~/Documents/.Tidora\n"_s));
    }

    // A home folder with braces and spaces: nothing is read as a placeholder twice.
    const QString home = u"/data/{C} x"_s;
    const HelpPlaces odd{home + u"/Documents/.Tidora"_s, home + u"/Desktop/Tidorama Files"_s,
                         home + u"/Documents/.Tidora"_s, home + u"/Desktop/Tidorama Files"_s,
                         home + u"/Desktop"_s};
    const QString oddText = helpText(linuxWording(), odd);
    QVERIFY(oddText.contains(u"Right now they are in /data/{C} x/Documents/.Tidora."_s));
    QVERIFY(oddText.contains(u"  xdg-open '/data/{C} x/Documents/.Tidora'\n"_s));
    QVERIFY(oddText.contains(
        u"  mv -n '/data/{C} x/Documents/.Tidora'/*/* '/data/{C} x/Desktop'/\n"_s));
}

void TestHelpText::commandLinesTakeEachPathWhole_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("word");
    QTest::newRow("plain") << u"~/Documents/.Tidora"_s << u"~/Documents/.Tidora"_s;
    QTest::newRow("space") << u"~/Desktop/Tidorama Files"_s << u"~/'Desktop/Tidorama Files'"_s;
    QTest::newRow("quote and dollar") << u"/srv/it's $HOME"_s << u"'/srv/it'\\''s $HOME'"_s;
    QTest::newRow("accented") << u"~/Bureau/Fichiers r\u00E9cents"_s
                              << u"~/'Bureau/Fichiers r\u00E9cents'"_s;
}

void TestHelpText::commandLinesTakeEachPathWhole()
{
    QFETCH(QString, path);
    QFETCH(QString, word);
    QCOMPARE(shellPath(path), word);
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
    settings.setValue(SettingsKey::storageLocation, u"desktop"_s);
    QCOMPARE(folders.helpText(), helpText(wording, places(StorageLocation::desktop)));
    QCOMPARE(folders.readmeText(), wording.readmeIntro + folders.helpText() + QLatin1Char('\n'));
    settings.setValue(SettingsKey::storageLocation, u"documents"_s);
    QCOMPARE(folders.helpText(), helpText(wording, places(StorageLocation::documents)));
}

void TestHelpText::projectReadmeClosesWithTheHelp()
{
    QFile readme(QStringLiteral(TIDORA_SOURCE_DIR "/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const QString help = helpText(linuxWording(), places(StorageLocation::documents));
    QVERIFY2(text.endsWith(u"\n```text\n"_s + help + u"\n```\n"_s),
             "README.md must close with the help text for the hidden folder in Documents");
}

QTEST_GUILESS_MAIN(TestHelpText)
#include "tst_helptext.moc"
