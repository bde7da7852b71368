#include "platform/linux/LinuxWording.h"

Wording linuxWording(DesktopPlatform::Features features)
{
    Wording w;
    w.documentsLabel = QStringLiteral("Hidden Folder in Documents");
    w.desktopLabel = QStringLiteral("Folder on the Desktop (for cloud sync)");
    w.menuIcon = QStringLiteral("tray icon");
    w.inMenu = QStringLiteral("in the tray menu");
    w.rightClickMenuItem = QStringLiteral("File Manager Right-Click Menu\u2026");
    w.hotKeyCaps = {QStringLiteral("Ctrl"), QStringLiteral("Alt"), QStringLiteral("S")};
    w.dragKeyCap = QStringLiteral("Shift");
    w.previewKeyCap = QStringLiteral("Alt");
    w.readmeIntro = QStringLiteral(
        "These files are stacked by Tidora, a desktop organiser. Each folder is one stack. They "
        "are real files, not copies: don't delete or rename this folder. Nothing here is deleted "
        "by the app.\n\n");
    w.helpHiddenFiles = QStringLiteral(
        "Your file manager hides {D} because of the dot. To see it:\n"
        "\u2022 Press Ctrl+H in your file manager to show or hide hidden files.\n"
        "\u2022 Or press Ctrl+L and type the path. This works even while hidden files are "
        "hidden.\n"
        "\u2022 To open the folder directly from a terminal:\n"
        "  xdg-open {Dshell}\n"
        "\u2022 To list what is inside without opening your file manager:\n"
        "  ls -la {Dshell}");
    w.helpSyncedDesktop = QStringLiteral("Choose it if your Desktop folder is synced to the "
                                         "cloud, so they keep syncing and show on your other "
                                         "devices.");
    w.thisComputer = QStringLiteral("this computer");
    w.loginItems = QStringLiteral("the programs your desktop starts at login");
    w.appRemoval = QStringLiteral("removes the app. Don't just delete the app.");
    w.goToFolder = QStringLiteral("In your file manager, press Ctrl+L.");
    w.terminal = QStringLiteral("a terminal");
    // There is no protection to lift on Linux.
    w.helpProtection = QString();
    w.previewClick = QStringLiteral("Alt-click (or middle-click)");
    w.helpGreyedOut = QStringLiteral(
        "on the Desktop first, or right-click them and choose Stack with Tidora\u2026 If your "
        "desktop is not supported, Tidora can't see which icons are selected: use the "
        "right-click menu, Shift-drag or Auto-Stack by Type.");
    if (!features.testFlag(DesktopPlatform::Feature::PointerEvents)) {
        w.gesturesOffNote = QStringLiteral("off in Wayland");
        w.helpGesturesOff = QStringLiteral(
            "\n\nIN A WAYLAND SESSION\n"
            "Shift-drag and selecting stacks by dragging a box over the Desktop are off: Wayland "
            "doesn't let programs follow the pointer over the Desktop. Ctrl+Alt+S works through "
            "the desktop's own shortcuts on KDE Plasma and GNOME; elsewhere only while one of "
            "Tidora's windows is active, so right-click the files and choose Stack with "
            "Tidora\u2026");
        w.helpGreyedOut = QStringLiteral(
            "on the Desktop first, or right-click them and choose Stack with Tidora\u2026 If your "
            "desktop is not supported, Tidora can't see which icons are selected: use the "
            "right-click menu or Auto-Stack by Type.");
    }
    w.firstRunSyncedDesktop =
        QStringLiteral(": files keep syncing with the cloud and show on your other devices.");
    w.firstRunDesktopSyncs =
        QStringLiteral(" Your Desktop folder is synced to the cloud, so this one is selected.");
    w.showHiddenFolders =
        QStringLiteral("In your file manager, press Ctrl+H to show hidden folders.");
    w.removalForThisUser.confirmation = QStringLiteral(
        "Then the app's settings and the app itself are removed; the app is deleted from "
        "{folder}.");
    w.removalByPackage = {
        QStringLiteral("Then the app's settings are removed; the app itself was installed with "
                       "your package manager, which removes it."),
        QStringLiteral("Remove Tidora with your package manager"),
        QStringLiteral("Tidora was installed for every user of this computer, so it can't "
                       "remove itself. To remove it, run this in a terminal:\n"
                       "  sudo apt remove tidora")};
    w.removalByHand = {
        QStringLiteral("Then the app's settings are removed; the app itself was installed in "
                       "{folder} by hand, so it stays for you to remove."),
        QStringLiteral("Remove Tidora from {folder}"),
        QStringLiteral("Tidora was installed in {folder} by hand, so it can't remove itself. To "
                       "remove it, delete the files its install put there: install_manifest.txt, "
                       "in the folder it was built in, lists them.")};
    w.removalOfBuildFolder = {
        QStringLiteral("Then the app's settings are removed; the app itself stays in the folder "
                       "it was built in, {folder}."),
        QStringLiteral("Tidora's build folder stays"),
        QStringLiteral("Tidora runs from the folder it was built in, {folder}. Delete that folder "
                       "when you no longer need it.")};
    w.quotePathsInCommands = true;
    return w;
}
