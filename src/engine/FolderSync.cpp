#include "engine/FolderSync.h"

#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackWindows.h"
#include "operations/StackRemoval.h"
#include "platform/FileSystem.h"
#include "store/StorageFolders.h"

FolderSync::FolderSync(const FileSystem& fs, const StorageFolders& folders, const StackFiles& files,
                       StackRecords& records, StackWindows& windows, StackRemoval& removal)
    : m_fs(fs)
    , m_folders(folders)
    , m_files(files)
    , m_records(records)
    , m_windows(windows)
    , m_removal(removal)
{}

void FolderSync::syncWithFolder(const QUuid& id)
{
    const DesktopStack* found = m_records.find(id);
    if (!found || found->state != StackState::collapsed)
        return;
    DesktopStack stack = *found;
    const QString folder = m_folders.stackFolderURL(stack);
    if (!m_fs.isDirectory(folder))
        return;
    const QString inFolder = m_fs.resolved(folder);
    const QList<std::optional<QString>> paths = m_files.resolvedItems(stack);
    QList<StackItem> staying;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const std::optional<QString>& path = paths.at(i);
        if (path && m_fs.resolvedParent(*path) == inFolder)
            staying.append(stack.items.at(i));
    }
    if (staying.size() == stack.items.size())
        return;
    stack.items = std::move(staying);
    // The last file went: a stack of nothing is no stack. Anything else still in the folder
    // keeps the folder, and the user is told where it is.
    if (stack.items.isEmpty()) {
        m_removal.removeStack(id, true);
    } else {
        m_records.store(stack);
        m_windows.showWindow(stack, m_files.resolvedFiles(stack));
    }
}
