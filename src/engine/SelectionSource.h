#pragma once

// Who asks which files are selected on the Desktop.
enum class SelectionSource {
    // The hot key, the tray menu and its enabling: what the desktop program shows selected.
    desktop,
    // A file manager's right-click action (tidorama://stack-selection): the files it handed
    // over, which may lie in another window than the Desktop's; the Desktop's selection only
    // when nothing was handed over.
    contextMenu,
};
