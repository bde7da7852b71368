#include "engine/FolderSync.h"

#include "engine/StackManager.h"
#include "platform/FileSystem.h"

namespace FolderSync {

void syncWithFolder(StackManager& manager, const QUuid& id)
{
    const DesktopStack* found = manager.findStack(id);
    if (!found || found->state != StackState::collapsed)
        return;
    DesktopStack stack = *found;
    const FileSystem& fs = manager.fm();
    const QString folder = manager.folders().stackFolderURL(stack);
    if (!fs.isDirectory(folder))
        return;
    const QString inFolder = fs.resolved(folder);
    const qsizetype before = stack.items.size();
    stack.items.removeIf([&](const StackItem& item) {
        const std::optional<QString> path = manager.resolvedPath(item.bookmark);
        return !path || fs.resolvedParent(*path) != inFolder;
    });
    if (stack.items.size() == before)
        return;
    // The last file went: a stack of nothing is no stack. Anything else still in the folder
    // keeps the folder, and the user is told where it is.
    if (stack.items.isEmpty())
        manager.removeStack(id, true);
    else
        manager.storeStack(stack);
}

} // namespace FolderSync
