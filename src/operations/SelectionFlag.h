#pragma once

class StackManager;

// At every menu opening: "Stack Selected Files" is disabled until the Desktop says files are
// selected. A Desktop that cannot be asked counts as having a selection, so that choosing the
// item reports why.
void refreshSelectionFlag(StackManager& manager);
