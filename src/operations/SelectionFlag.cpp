#include "operations/SelectionFlag.h"

#include "engine/DesktopBridge.h"
#include "engine/StackManager.h"
#include "operations/UndoState.h"

void refreshSelectionFlag(StackManager& manager)
{
    manager.undoState().setHasSelection(false);
    DesktopBridge& desktop = manager.services().desktop;
    manager.queries().query<bool>(
        [&desktop] {
            const BridgeResult<QList<DesktopFile>> selection = desktop.selectedFiles();
            return !selection || !selection.value().isEmpty();
        },
        [&manager](const bool& selected) { manager.undoState().setHasSelection(selected); });
}
