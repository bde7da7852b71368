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

// The help text of the macOS build, piece by piece as it was first written: d and k are the
// two storage folders, c the current one and o the other.
QString macosHelp(const QString& d, const QString& k, const QString& c, const QString& o)
{
    return QStringList{
        QStringLiteral("THE TWO PLACES YOUR FILES CAN BE\n"
                       "Stacked files are always in one of exactly two folders, with one subfolder "
                       "per stack:\n"
                       "1. "),
        d,
        QStringLiteral(" (hidden: its name starts with a dot)\n"
                       "2. "),
        k,
        QStringLiteral("\n"
                       "Right now they are in "),
        c,
        QStringLiteral(". They are your real files, not copies. Spreading or dissolving a stack "
                       "moves them back to the Desktop.\n"
                       "\n"
                       "SHOWING HIDDEN FILES\n"
                       "Finder hides "),
        d,
        QStringLiteral(
            " because of the dot. To see it:\n"
            "\u2022 In Finder, press Shift-Command-. (period) to show or hide hidden files.\n"
            "\u2022 Or choose Go \u203A Go to Folder\u2026 (Shift-Command-G) and type the path. "
            "This works even while hidden files are hidden.\n"
            "\u2022 Or use Terminal. To show hidden files in Finder everywhere:\n"
            "  defaults write com.apple.finder AppleShowAllFiles -bool true && killall Finder\n"
            "  To hide them again, run the same line with false instead of true.\n"
            "\u2022 To open the folder directly from Terminal:\n"
            "  open "),
        d,
        QStringLiteral("\n"
                       "\u2022 To list what is inside without opening Finder:\n"
                       "  ls -la "),
        d,
        QStringLiteral("\n"
                       "\n"
                       "WHERE TO KEEP THEM\n"
                       "Choose Keep Stacked Files In from the menu bar icon:\n"
                       "\u2022 "),
        QStringLiteral("Hidden Folder in Documents"),
        QStringLiteral(" ("),
        d,
        QStringLiteral("): your Desktop stays really tidy. Best for most people.\n"
                       "\u2022 "),
        QStringLiteral("Folder on the Desktop (for iCloud)"),
        QStringLiteral(" ("),
        k,
        QStringLiteral(
            "): stacked files stay inside your Desktop. Choose it if your Desktop syncs with "
            "iCloud, so they keep syncing and show on your other Macs, iPhone and iPad.\n"
            "Changing it moves the files for you. Nothing is copied.\n"
            "\n"
            "With the folder on the Desktop, leave it where it is and don't rename it. On your "
            "other devices it isn't protected, so don't delete it there either: that deletes the "
            "files on this Mac too.\n"
            "\n"
            "IF TIDORA ISN'T RUNNING\n"
            "Your stacks only show while Tidora is running, so it opens by itself when you log in. "
            "If you quit it, or remove it from Login Items in System Settings, the stacks are gone "
            "from your Desktop and the shortcut and Shift-drag stop working. The files stay safe "
            "in "),
        c,
        QStringLiteral(
            ". Open Tidora again and every stack comes back where it was.\n"
            "\n"
            "UNINSTALLING\n"
            "Always choose Uninstall Tidora\u2026 from the menu bar icon. It moves every stacked "
            "file back to your Desktop, removes the stacks folder, and then moves the app to the "
            "Trash. Don't just drag the app to the Trash.\n"
            "\n"
            "IF THE APP WAS DELETED ANOTHER WAY\n"
            "Install Tidora again and open it. Your stacks come back by themselves, from whichever "
            "of the two folders holds them, and any folder there that the app no longer lists is "
            "brought back as a new stack. Nothing is copied or deleted.\n"
            "\n"
            "RECOVERING FILES BY HAND\n"
            "If you'd rather not install the app again:\n"
            "1. In Finder, choose Go \u203A Go to Folder\u2026 (Shift-Command-G).\n"
            "2. Type "),
        c,
        QStringLiteral(" and press Return. (If it isn't there, try "),
        o,
        QStringLiteral(
            ".)\n"
            "3. Open each folder and drag the files to your Desktop.\n"
            "\n"
            "Or in Terminal, this moves every stacked file to your Desktop in one go (files whose "
            "names already exist on the Desktop are left where they are, never overwritten):\n"
            "  mv -n "),
        c,
        QStringLiteral("/*/* ~/Desktop/\n"
                       "Run it again with "),
        o,
        QStringLiteral(" in place of "),
        c,
        QStringLiteral(" if you used the other folder at some time.\n"
                       "\n"
                       "The folders are protected so they can't be trashed by accident. If you "
                       "really want one gone (after emptying it), run:\n"
                       "  chmod -R -N "),
        c,
        QStringLiteral(
            "\n"
            "\n"
            "TAKING FILES OUT OF A STACK\n"
            "Want to work with just one file, or a few? Spread the stack, drag those files a "
            "little away from where they landed (an icon's width is enough), and stack it again. "
            "The files you moved stay on the Desktop and are no longer part of the stack; the rest "
            "go back in. Small nudges just tidy the layout. You can also Option-click a stack to "
            "see its files and drag any of them out, to the Desktop, a folder or another app; a "
            "file that leaves the stack's folder is no longer part of the stack. To put a file "
            "back, drop it on the stack.\n"
            "\n"
            "IF STACK SELECTED FILES IS GREYED OUT\n"
            "Select one or more files directly on the Desktop in Finder first, then open the menu "
            "again. Files inside folders don't count. If Tidora says it can't control Finder, "
            "allow it in System Settings \u203A Privacy & Security \u203A Automation.")}
        .join(QString());
}

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
    void macosTextIsTheOriginal();
    void linuxTextSpeaksOfLinux();
    void currentFolderComesFirst();
    void commandLinesTakeEachPathWhole();
    void readmeOfTheCurrentLocation();
    void projectReadmeClosesWithTheHelp();
};

void TestHelpText::macosTextIsTheOriginal()
{
    const Wording macos = macosWording();
    QCOMPARE(helpText(macos, places(StorageLocation::documents)),
             macosHelp(hidden, onDesktop, hidden, onDesktop));
    QCOMPARE(helpText(macos, places(StorageLocation::desktop)),
             macosHelp(hidden, onDesktop, onDesktop, hidden));
    QCOMPARE(macos.desktopLabel, QStringLiteral("Folder on the Desktop (for iCloud)"));
    QVERIFY(macos.readmeIntro.startsWith(QStringLiteral("These files are stacked by Tidora, a Mac "
                                                        "app. Each folder is one stack.")));
}

void TestHelpText::linuxTextSpeaksOfLinux()
{
    const QString text = helpText(linuxWording(), places(StorageLocation::desktop));
    for (const char* macOnly : {"Finder", "iCloud", "Mac", "iPhone", "Command", "System Settings",
                                "Trash", "menu bar", "Option-click", "chmod", "defaults write"})
        QVERIFY2(!text.contains(QLatin1String(macOnly)), macOnly);
    const QStringList expected = {
        QStringLiteral("SHOWING HIDDEN FILES\nYour file manager hides ~/Documents/.Tidora because "
                       "of the dot. To see it:\n"
                       "\u2022 Press Ctrl+H in your file manager to show or hide hidden files.\n"
                       "\u2022 Or press Ctrl+L and type the path. This works even while hidden "
                       "files are hidden.\n"
                       "\u2022 To open the folder directly from a terminal:\n"
                       "  xdg-open ~/Documents/.Tidora\n"
                       "\u2022 To list what is inside without opening your file manager:\n"
                       "  ls -la ~/Documents/.Tidora\n\nWHERE TO KEEP THEM\n"
                       "Choose Keep Stacked Files In from the tray icon:\n"),
        QStringLiteral("\u2022 Folder on the Desktop (for cloud sync) (~/Desktop/Tidorama Files): "
                       "stacked files stay inside your Desktop. Choose it if your Desktop folder "
                       "is synced to the cloud, so they keep syncing and show on your other "
                       "devices.\n"),
        QStringLiteral("that deletes the files on this computer too."),
        QStringLiteral("or remove it from the programs your desktop starts at login, the stacks"),
        QStringLiteral("Always choose Uninstall Tidora\u2026 from the tray icon. It moves every "
                       "stacked file back to your Desktop, removes the stacks folder, and then "
                       "removes the app. Don't just delete the app.\n\n"),
        QStringLiteral("1. In your file manager, press Ctrl+L.\n2. Type ~/Desktop/Tidorama Files "
                       "and press Return. (If it isn't there, try ~/Documents/.Tidora.)\n"),
        QStringLiteral("Or in a terminal, this moves every stacked file"),
        QStringLiteral("\n  mv -n ~/'Desktop/Tidorama Files'/*/* ~/Desktop/\nRun it again with "
                       "~/Documents/.Tidora in place of ~/Desktop/Tidorama Files if you used the "
                       "other folder at some time.\n\nTAKING FILES OUT OF A STACK\n"),
        QStringLiteral("You can also Alt-click (or middle-click) a stack to see its files"),
        QStringLiteral("IF STACK SELECTED FILES IS GREYED OUT\nSelect one or more files directly "
                       "on the Desktop first, or right-click them and choose Stack with "
                       "Tidora\u2026 If your desktop is not supported, Tidora can't see which "
                       "icons are selected: use the right-click menu, Shift-drag or Auto-Stack "
                       "by Type."),
    };
    for (const QString& piece : expected)
        QVERIFY2(text.contains(piece), qPrintable(piece));
    QVERIFY(text.endsWith(expected.last()));
    // Everything not about the platform reads as in the original.
    const QString original = macosHelp(hidden, onDesktop, onDesktop, hidden);
    for (const QString& shared :
         {QStringLiteral("THE TWO PLACES YOUR FILES CAN BE\nStacked files are always in one of "
                         "exactly two folders, with one subfolder per stack:\n1. "
                         "~/Documents/.Tidora (hidden: its name starts with a dot)\n2. "
                         "~/Desktop/Tidorama Files\nRight now they are in ~/Desktop/Tidorama "
                         "Files. They are your real files, not copies."),
          QStringLiteral(
              "IF THE APP WAS DELETED ANOTHER WAY\nInstall Tidora again and open it.")}) {
        QVERIFY(original.contains(shared));
        QVERIFY(text.contains(shared));
    }
}

void TestHelpText::currentFolderComesFirst()
{
    const Wording wording = linuxWording();
    const QString documents = helpText(wording, places(StorageLocation::documents));
    QVERIFY(documents.contains(QStringLiteral("Right now they are in ~/Documents/.Tidora.")));
    QVERIFY(documents.contains(QStringLiteral("The files stay safe in ~/Documents/.Tidora.")));
    QVERIFY(documents.contains(QStringLiteral("Type ~/Documents/.Tidora and press Return. (If it "
                                              "isn't there, try ~/Desktop/Tidorama Files.)")));
    QVERIFY(documents.contains(QStringLiteral("  mv -n ~/Documents/.Tidora/*/* ~/Desktop/\nRun it "
                                              "again with ~/Desktop/Tidorama Files in place of "
                                              "~/Documents/.Tidora")));
}

void TestHelpText::commandLinesTakeEachPathWhole()
{
    QCOMPARE(shellPath(QStringLiteral("~/Documents/.Tidora")),
             QStringLiteral("~/Documents/.Tidora"));
    QCOMPARE(shellPath(QStringLiteral("~/Desktop/Tidorama Files")),
             QStringLiteral("~/'Desktop/Tidorama Files'"));
    QCOMPARE(shellPath(QStringLiteral("/srv/it's $HOME")), QStringLiteral("'/srv/it'\\''s $HOME'"));
    QCOMPARE(shellPath(QStringLiteral("~/Bureau/Fichiers r\u00E9cents")),
             QStringLiteral("~/'Bureau/Fichiers r\u00E9cents'"));

    // A home folder with braces and spaces: nothing is read as a placeholder twice.
    HelpPlaces odd{QStringLiteral("/data/{C} x/Documents/.Tidora"),
                   QStringLiteral("/data/{C} x/Desktop/Tidorama Files"),
                   QStringLiteral("/data/{C} x/Documents/.Tidora"),
                   QStringLiteral("/data/{C} x/Desktop/Tidorama Files"),
                   QStringLiteral("/data/{C} x/Desktop")};
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
