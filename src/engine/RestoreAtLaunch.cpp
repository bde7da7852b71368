#include "engine/StackManager.h"

// The launch step. Until the reconciliation with the disk is wired in, it loads the list and
// opens the windows: the repairs (adopting the storage location, merging and migrating old
// folders, refreshing bookmarks, restoring missing items, recovering orphan folders, protecting
// the folders) hook in between loading and opening, and the reports and the first-run alert
// after the windows are open.
void StackManager::restoreAtLaunch()
{
    setStacks(stackListFile().loadStackList());
    recomputeFlags();
    for (const DesktopStack& stack : stacks())
        showWindow(stack);
}
