#pragma once

#include <QString>

class StackManager;

// "Uninstall Tidora…": every file back on the Desktop first, then the program's own traces and
// the program itself; nothing of the program is removed while any file is still in a storage
// folder.
namespace Uninstall {

// Asks (with a checkbox to tick when there is anything to give back), gives every file back,
// and 1.2 s later finishes: either tells the user where files were left and keeps running, or
// removes the stacks file, the settings, the autostart entry and the program, then quits.
void uninstall(StackManager& manager);

// The autostart entry that starts the program at login.
QString autostartEntry(const QString& configRoot);

} // namespace Uninstall
