#pragma once

#include <QString>

// The running program itself, as uninstalling needs it: where it was started from (to find
// what was installed with it) and how it ends.
class RunningProgram
{
public:
    virtual ~RunningProgram() = default;

    // The folder that holds the program's executable.
    virtual QString executableFolder() const = 0;
    // Ends the program once the current event has been handled.
    virtual void quit() = 0;
    // Takes away what the program added to other programs of the desktop (the file managers'
    // right-click actions), as uninstalling does. Nothing where it added nothing.
    virtual void removeDesktopIntegration() {}
};
