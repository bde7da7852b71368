#pragma once

#include <QString>

// How the program came to be where it runs from, which decides who can remove it.
enum class Installation {
    forThisUser, // into the user's home, with the list of what was put there
    byPackage,   // by the system's package manager
    byHand,      // copied into a prefix outside the home
    buildFolder, // run from the folder it was built in
};

// The running program itself, as uninstalling needs it: where it was started from (to find
// what was installed with it) and how it ends.
class RunningProgram
{
public:
    virtual ~RunningProgram() = default;

    // The folder that holds the program's executable.
    virtual QString executableFolder() const = 0;
    // How it was installed, where no per-user install lists it.
    virtual Installation installation() const { return Installation::byHand; }
    // Ends the program once the current event has been handled.
    virtual void quit() = 0;
    // Takes away what the program added to other programs of the desktop (the file managers'
    // right-click actions), as uninstalling does. Nothing where it added nothing.
    virtual void removeDesktopIntegration() {}
    // Brings the desktop's lists of programs and icons under `prefix` up to date after files
    // were taken away from there, as the install made them so after it put them in place.
    virtual void refreshInstalledLists(const QString& prefix) { (void)prefix; }
};
