#pragma once

#include "store/StorageLocation.h"

// What the tray menu's items do. The application forwards each to the stack manager as it
// stands when the item is chosen; tests record them.
class MenuCommands
{
public:
    virtual ~MenuCommands() = default;

    virtual void stackSelectedFiles() = 0;
    virtual void autoStackByType() = 0;
    virtual void spreadAllStacks() = 0;
    virtual void stackAllAgain() = 0;
    virtual void convertAllStacks() = 0;
    virtual void undoConvert() = 0;
    virtual void dissolveAllStacks() = 0;

    virtual StorageLocation currentStorageLocation() const = 0;
    // Moves the stacks there, asking first; the step stores the setting when it succeeds.
    virtual void changeStorageLocation(StorageLocation location) = 0;
    virtual void fileManagerMenu() = 0;

    virtual void showHelp() = 0;
    virtual void showAbout() = 0;
    virtual void uninstall() = 0;
    virtual void quit() = 0;
};
