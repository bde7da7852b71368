#pragma once

#include <QString>
#include <QStringList>

// The texts that speak of the platform: where the macOS wording names Finder, System
// Settings or the menu bar, each platform has its own sentence, and this table is its only
// home. Each platform folder provides one table (linuxWording(), macosWording()); the
// application hands the one of its platform to the code that builds the texts.
//
// Fields marked "template" hold placeholders in braces that the user of the text fills in:
// {D} the hidden storage folder, {C} the current storage folder (display paths), and
// {Dshell}, {Cshell} the same paths as written on a command line.
struct Wording
{
    // Labels of the two storage locations in menus and alerts.
    QString documentsLabel;
    QString desktopLabel;

    // Where the program's icon sits: "menu bar icon" / "tray icon".
    QString menuIcon;
    // Where the program's menu is, after a command: "in the menu bar" / "in the tray menu".
    QString inMenu;
    // The tray menu item that adds Tidora to the file managers' (Finder's) right-click menu.
    QString rightClickMenuItem;
    // The shortcut help: the key caps of the stacking shortcut, of the key held while dragging
    // to stack, and of the key held while clicking a stack to see its thumbnails.
    QStringList hotKeyCaps;
    QString dragKeyCap;
    QString previewKeyCap;

    // Where the pointer can't be followed over the Desktop (a Wayland session), Shift-drag and
    // the Desktop marquee are off: the note after the gesture's name in the menus, and the
    // help's section on it with its leading blank line. Both are empty where the gestures work.
    QString gesturesOffNote;
    QString helpGesturesOff;

    // The README's first paragraph, ending in a blank line.
    QString readmeIntro;

    // Help text, section SHOWING HIDDEN FILES, the body after the heading (template: {D},
    // {Dshell}).
    QString helpHiddenFiles;
    // WHERE TO KEEP THEM: when to choose the folder on the Desktop.
    QString helpSyncedDesktop;
    // "…that deletes the files on <this> too."
    QString thisComputer;
    // IF TIDORA ISN'T RUNNING: "…or remove it from <this>, …"
    QString loginItems;
    // UNINSTALLING: what happens to the program itself, after "…and then ".
    QString appRemoval;
    // RECOVERING FILES BY HAND, step 1: how to type a path into the file manager.
    QString goToFolder;
    // "Or in <terminal>, this moves…"
    QString terminal;
    // The paragraph on lifting the folders' protection, with its leading blank line; empty
    // where there is no protection to lift (template: {C}, {Cshell}).
    QString helpProtection;
    // TAKING FILES OUT OF A STACK: the click that opens the preview.
    QString previewClick;
    // IF STACK SELECTED FILES IS GREYED OUT: the advice after "Select one or more files
    // directly ".
    QString helpGreyedOut;

    // The first-run alert: what the folder on the Desktop gives, after its path (": files keep
    // syncing…"), and the sentence added when the Desktop syncs.
    QString firstRunSyncedDesktop;
    QString firstRunDesktopSyncs;
    // How the program itself goes when it is uninstalled, by the way it was installed
    // ({folder}: where it is, as the user reads paths).
    struct AppRemoval
    {
        // The uninstall alert's sentence after what happens to the files: "Then the app's
        // settings …".
        QString confirmation;
        // The alert that ends the uninstall where the program cannot remove itself; empty
        // where it does.
        QString message;
        QString text;
    };
    AppRemoval removalForThisUser;
    AppRemoval removalByPackage;
    AppRemoval removalByHand;
    AppRemoval removalOfBuildFolder;
    // The sentence after a message that names a hidden folder: how to show hidden folders.
    QString showHiddenFolders;
    // Whether command lines quote paths so that a shell takes each one whole. Off only where
    // the texts must stay exactly as they were first written.
    bool quotePathsInCommands = true;
};
