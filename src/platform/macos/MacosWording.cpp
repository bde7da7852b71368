#include "platform/macos/MacosWording.h"

Wording macosWording()
{
    Wording w;
    w.documentsLabel = QStringLiteral("Hidden Folder in Documents");
    w.desktopLabel = QStringLiteral("Folder on the Desktop (for iCloud)");
    w.menuIcon = QStringLiteral("menu bar icon");
    w.inMenu = QStringLiteral("in the menu bar");
    w.rightClickMenuItem = QStringLiteral("Finder Right-Click Menu\u2026");
    w.hotKeyCaps = {QStringLiteral("\u2303 control"), QStringLiteral("\u2325 option"),
                    QStringLiteral("S")};
    w.dragKeyCap = QStringLiteral("\u21e7 shift");
    w.previewKeyCap = QStringLiteral("\u2325 option");
    w.readmeIntro = QStringLiteral(
        "These files are stacked by Tidora, a Mac app. Each folder is one stack. They are real "
        "files, not copies: don't delete or rename this folder. Nothing here is deleted by the "
        "app.\n\n");
    w.helpHiddenFiles = QStringLiteral(
        "Finder hides {D} because of the dot. To see it:\n"
        "\u2022 In Finder, press Shift-Command-. (period) to show or hide hidden files.\n"
        "\u2022 Or choose Go \u203A Go to Folder\u2026 (Shift-Command-G) and type the path. This "
        "works even while hidden files are hidden.\n"
        "\u2022 Or use Terminal. To show hidden files in Finder everywhere:\n"
        "  defaults write com.apple.finder AppleShowAllFiles -bool true && killall Finder\n"
        "  To hide them again, run the same line with false instead of true.\n"
        "\u2022 To open the folder directly from Terminal:\n"
        "  open {Dshell}\n"
        "\u2022 To list what is inside without opening Finder:\n"
        "  ls -la {Dshell}");
    w.helpSyncedDesktop = QStringLiteral("Choose it if your Desktop syncs with iCloud, so they "
                                         "keep syncing and show on your other Macs, iPhone and "
                                         "iPad.");
    w.thisComputer = QStringLiteral("this Mac");
    w.loginItems = QStringLiteral("Login Items in System Settings");
    w.appRemoval =
        QStringLiteral("moves the app to the Trash. Don't just drag the app to the Trash.");
    w.goToFolder = QStringLiteral("In Finder, choose Go \u203A Go to Folder\u2026 "
                                  "(Shift-Command-G).");
    w.terminal = QStringLiteral("Terminal");
    w.helpProtection = QStringLiteral(
        "\n\nThe folders are protected so they can't be trashed by accident. If you really want "
        "one gone (after emptying it), run:\n"
        "  chmod -R -N {Cshell}");
    w.previewClick = QStringLiteral("Option-click");
    w.helpGreyedOut = QStringLiteral(
        "on the Desktop in Finder first, then open the menu again. Files inside folders don't "
        "count. If Tidora says it can't control Finder, allow it in System Settings \u203A "
        "Privacy & Security \u203A Automation.");
    w.firstRunSyncedDesktop =
        QStringLiteral(": files keep syncing with iCloud and show on your other devices.");
    w.firstRunDesktopSyncs =
        QStringLiteral(" Your Desktop syncs with iCloud, so this one is selected.");
    w.showHiddenFolders =
        QStringLiteral("In Finder, press Shift-Command-Period to show hidden folders.");
    // The application bundle always goes to the Trash, however it came.
    w.removalForThisUser.confirmation = QStringLiteral(
        "Then the app's settings and the app itself are removed; the app goes to the Trash.");
    w.removalByPackage = w.removalForThisUser;
    w.removalByHand = w.removalForThisUser;
    w.removalOfBuildFolder = w.removalForThisUser;
    w.quotePathsInCommands = false;
    return w;
}
