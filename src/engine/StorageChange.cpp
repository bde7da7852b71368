#include "engine/StorageChange.h"

#include "engine/StackRecords.h"
#include "engine/StackWindows.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Workspace.h"
#include "store/HelpAlert.h"
#include "store/StorageFolders.h"

StorageChange::StorageChange(StackRecords& records, StackWindows& windows, StorageFolders& folders,
                             Settings& settings, FileSystem& fileSystem, Bookmarks& bookmarks,
                             Alerts& alerts, Workspace& workspace)
    : m_records(records)
    , m_windows(windows)
    , m_folders(folders)
    , m_settings(settings)
    , m_fileSystem(fileSystem)
    , m_bookmarks(bookmarks)
    , m_alerts(alerts)
    , m_workspace(workspace)
{}

StorageRelocation StorageChange::relocation()
{
    return StorageRelocation(m_folders, m_settings, m_fileSystem, m_bookmarks);
}

bool StorageChange::changeStorageLocation(StorageLocation to)
{
    const StorageLocation from = m_folders.currentStorageLocation();
    if (to == from)
        return true;
    StorageRelocation relocating = relocation();
    const QStringList entries = relocating.entriesToMove(from);
    m_alerts.bringToFront();
    if (m_alerts.run(relocating.confirmation(m_records.all(), from, to)).button != 0)
        return false;

    StorageRelocation::Outcome outcome = relocating.relocate(m_records.all(), from, to, entries);
    if (outcome.error) {
        m_alerts.showError(*outcome.error);
        return false;
    }
    m_records.replaceAll(std::move(*outcome.stacks));
    m_records.refreshFlags();
    m_records.save();
    // Copied: a window may call back into the manager while it is shown.
    const QList<DesktopStack> stacks = m_records.all();
    for (const DesktopStack& stack : stacks)
        m_windows.showWindow(stack);
    return true;
}

void StorageChange::revertStorageMove(const QList<StorageMove>& moves, StorageLocation from,
                                      StorageLocation to, const QString& reason)
{
    m_alerts.showError(relocation().revertStorageMove(moves, from, to, reason));
}

void StorageChange::showHelp()
{
    m_alerts.bringToFront();
    const AlertAnswer answer = m_alerts.run(HelpAlert::alert(m_folders));
    if (answer.button != HelpAlert::openFolderButton)
        return;
    const QString folder = m_folders.storageFolder();
    if (!m_fileSystem.isDirectory(folder))
        return m_alerts.showError(HelpAlert::noStacksFolder());
    (void)m_workspace.openFolder(folder);
}
