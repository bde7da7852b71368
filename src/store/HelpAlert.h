#pragma once

#include "platform/Alerts.h"
#include "platform/TidoraError.h"

class StorageFolders;

// The "Help & Recovering Files" window: the help text for the current location in a scrolling,
// selectable view, with "Done" and "Open the Stacks Folder".
namespace HelpAlert {

inline constexpr int doneButton = 0;
inline constexpr int openFolderButton = 1;

Alert alert(const StorageFolders& folders);
// Shown when "Open the Stacks Folder" finds no storage folder (code 4).
TidoraError noStacksFolder();

} // namespace HelpAlert
