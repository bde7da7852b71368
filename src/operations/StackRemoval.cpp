#include "operations/StackRemoval.h"

#include "engine/StackManager.h"
#include "platform/Alerts.h"
#include "platform/TidoraError.h"

void removeStack(StackManager& manager, const QUuid& id, bool reportLeftovers)
{
    const std::optional<DesktopStack> record = manager.takeStack(id);
    manager.recomputeFlags();
    manager.saveStackList();
    manager.closeWindow(id);
    if (manager.selection().remove(id))
        manager.publishSelection();
    if (!record || manager.removeStackFolderIfEmpty(*record) || !reportLeftovers)
        return;
    manager.services().alerts.showError(TidoraError{
        ErrorCode::leftoverFiles,
        QStringLiteral("Some files remain in ") + manager.folders().stackFolderURL(*record) +
            QStringLiteral(". The folder was kept so they aren't lost.")});
}
