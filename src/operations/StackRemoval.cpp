#include "operations/StackRemoval.h"

#include "engine/StackRecords.h"
#include "engine/StackSelection.h"
#include "engine/StackWindows.h"
#include "platform/Alerts.h"
#include "platform/TidoraError.h"
#include "store/StorageFolders.h"

StackRemoval::StackRemoval(StackRecords& records, StackWindows& windows, StackSelection& selection,
                           StorageFolders& folders, Alerts& alerts)
    : m_records(records)
    , m_windows(windows)
    , m_selection(selection)
    , m_folders(folders)
    , m_alerts(alerts)
{}

void StackRemoval::removeStack(const QUuid& id, bool reportLeftovers)
{
    const std::optional<DesktopStack> record = m_records.take(id);
    m_records.refreshFlags();
    m_records.save();
    m_windows.closeWindow(id);
    m_selection.forget(id);
    if (!record || m_folders.removeStackFolderIfEmpty(*record) || !reportLeftovers)
        return;
    m_alerts.showError(
        TidoraError{ErrorCode::leftoverFiles,
                    QStringLiteral("Some files remain in ") + m_folders.stackFolderURL(*record) +
                        QStringLiteral(". The folder was kept so they aren't lost.")});
}
