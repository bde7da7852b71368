#pragma once

#include <QString>

// Control+Alt+S in a GNOME Wayland session, where no program may grab a key: one of GNOME's own
// custom keybindings (those its Keyboard settings make), running Tidora with
// tidorama://stack-selection, which the running copy takes. It is added to the user's list,
// never in place of it, and taken away on uninstall only: while Tidora is not running, the key
// starts it.
namespace GnomeShortcut {

// A GNOME session on Wayland, where the key can't be had otherwise.
bool applies();
// Adds the keybinding that runs `program`, or brings Tidora's up to date; false when GNOME's
// settings for it are not installed.
bool install(const QString& program);
// Takes Tidora's keybinding out of the list, leaving the user's own.
void remove();

} // namespace GnomeShortcut
