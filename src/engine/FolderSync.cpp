#include "engine/FolderSync.h"

#include "engine/StackManager.h"
#include "platform/FileSystem.h"

namespace FolderSync {

void syncWithFolder(StackManager& manager, const QUuid& id)
{
    const DesktopStack* found = manager.records().find(id);
    if (!found || found->state != StackState::collapsed)
        return;
    DesktopStack stack = *found;
    const FileSystem& fs = manager.fm();
    const QString folder = manager.folders().stackFolderURL(stack);
    if (!fs.isDirectory(folder))
        return;
    const QString inFolder = fs.resolved(folder);
    const QList<std::optional<QString>> paths = manager.files().resolvedItems(stack);
    QList<StackItem> staying;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const std::optional<QString>& path = paths.at(i);
        if (path && fs.resolvedParent(*path) == inFolder)
            staying.append(stack.items.at(i));
    }
    if (staying.size() == stack.items.size())
        return;
    stack.items = std::move(staying);
    // The last file went: a stack of nothing is no stack. Anything else still in the folder
    // keeps the folder, and the user is told where it is.
    if (stack.items.isEmpty())
        manager.removeStack(id, true);
    else
        manager.storeStack(stack);
}

} // namespace FolderSync
