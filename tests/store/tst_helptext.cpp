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

// The places as they are shown for a home at `home`.
HelpPlaces places(const QString& home, StorageLocation current)
{
    const QString documents = home + u"/Documents/.Tidora"_s;
    const QString desktop = home + u"/Desktop/Tidorama Files"_s;
    const bool onDesktop = current == StorageLocation::desktop;
    return HelpPlaces{documents, desktop, onDesktop ? desktop : documents,
                      onDesktop ? documents : desktop, home + u"/Desktop"_s};
}

} // namespace

class TestHelpText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachBuildSpeaksOfItsOwnPlatform();
    void placesAreFilledInAndQuoted_data();
    void placesAreFilledInAndQuoted();
    void commandLinesTakeEachPathWhole_data();
    void commandLinesTakeEachPathWhole();
    void readmesCarryTheHelpOfTheCurrentLocation();
};

void TestHelpText::eachBuildSpeaksOfItsOwnPlatform()
{
    const HelpPlaces p = places(u"~"_s, StorageLocation::desktop);
    const QString linux = helpText(linuxWording(), p);
    const QString macos = helpText(macosWording(), p);
    for (const char* macOnly : {"Finder", "iCloud", "Mac", "iPhone", "Command", "System Settings",
                                "Trash", "menu bar", "Option-click", "chmod", "defaults write"})
        QVERIFY2(!linux.contains(QLatin1String(macOnly)), macOnly);
    for (const char* own : {"Press Ctrl+H", "from the tray icon", "Alt-click (or middle-click)"})
        QVERIFY2(linux.contains(QLatin1String(own)) && !macos.contains(QLatin1String(own)), own);
    QVERIFY(macos.contains(u"chmod -R -N ~/Desktop/Tidorama Files"_s));
    QVERIFY(macos.contains(u"  open ~/Documents/.Tidora\n"_s) && !macos.contains(u"xdg-open"_s));
    // What is not about the platform reads alike in both.
    const QString shared = u"IF THE APP WAS DELETED ANOTHER WAY\nInstall Tidora again"_s;
    QVERIFY(linux.contains(shared) && macos.contains(shared));
}

void TestHelpText::placesAreFilledInAndQuoted_data()
{
    QTest::addColumn<QString>("home");
    QTest::addColumn<StorageLocation>("location");
    QTest::newRow("documents") << u"~"_s << StorageLocation::documents;
    QTest::newRow("desktop") << u"~"_s << StorageLocation::desktop;
    // Nothing in a path is read as a placeholder again.
    QTest::newRow("braces and spaces") << u"/data/{C} x"_s << StorageLocation::documents;
}

void TestHelpText::placesAreFilledInAndQuoted()
{
    QFETCH(QString, home);
    QFETCH(StorageLocation, location);
    const HelpPlaces p = places(home, location);
    const QString text = helpText(linuxWording(), p);
    QVERIFY(!QString(text).replace(home, u"~"_s).contains(u'{'));
    QVERIFY(text.contains(u"1. "_s + p.documents + u" (hidden: its name starts with a dot)\n2. "_s +
                          p.desktop + u'\n'));
    QVERIFY(text.contains(u"Right now they are in "_s + p.current + u'.'));
    QVERIFY(text.contains(u"Type "_s + p.current +
                          u" and press Return. (If it isn't there, try "_s + p.other + u".)"_s));
    // Commands take every path as one word; the hidden folder is the one shown with Ctrl+H.
    QVERIFY(text.contains(u"  mv -n "_s + shellPath(p.current) + u"/*/* "_s +
                          shellPath(p.desktopFolder) + u"/\nRun it again with "_s + p.other +
                          u" in place of "_s + p.current));
    QVERIFY(text.contains(u"  xdg-open "_s + shellPath(p.documents) + u'\n'));
}

void TestHelpText::commandLinesTakeEachPathWhole_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("word");
    QTest::newRow("plain") << u"~/Documents/.Tidora"_s << u"~/Documents/.Tidora"_s;
    QTest::newRow("space") << u"~/Desktop/Tidorama Files"_s << u"~/'Desktop/Tidorama Files'"_s;
    QTest::newRow("quote and dollar") << u"/srv/it's $HOME"_s << u"'/srv/it'\\''s $HOME'"_s;
    QTest::newRow("braces") << u"/data/{C} x/Desktop"_s << u"'/data/{C} x/Desktop'"_s;
    QTest::newRow("accented") << u"~/Bureau/Fichiers r\u00E9cents"_s
                              << u"~/'Bureau/Fichiers r\u00E9cents'"_s;
}

void TestHelpText::commandLinesTakeEachPathWhole()
{
    QFETCH(QString, path);
    QFETCH(QString, word);
    QCOMPARE(shellPath(path), word);
}

void TestHelpText::readmesCarryTheHelpOfTheCurrentLocation()
{
    TempHome home;
    LinuxPaths paths;
    MemorySettings settings;
    LocalFileSystem fs;
    RecordingFolderGuard guard;
    LinuxCloudSync cloud(paths);
    const Wording wording = linuxWording();
    StorageFolders folders(paths, settings, fs, guard, cloud, wording);
    for (const StorageLocation location : {StorageLocation::desktop, StorageLocation::documents}) {
        settings.setValue(SettingsKey::storageLocation,
                          location == StorageLocation::desktop ? u"desktop"_s : u"documents"_s);
        QCOMPARE(folders.helpText(), helpText(wording, places(u"~"_s, location)));
        QCOMPARE(folders.readmeText(), wording.readmeIntro + folders.helpText() + u'\n');
    }
    // The project's README closes with the help for the hidden folder in Documents.
    QFile readme(QStringLiteral(TIDORA_SOURCE_DIR "/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(readme.readAll())
                .endsWith(u"\n```text\n"_s + folders.helpText() + u"\n```\n"_s));
}

QTEST_GUILESS_MAIN(TestHelpText)
#include "tst_helptext.moc"
