#include "engine/StoragePlaces.h"

#include "engine/StackManager.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Workspace.h"
#include "store/HelpAlert.h"
#include "store/StorageFolders.h"

namespace StoragePlaces {

namespace {

StorageRelocation relocation(StackManager& manager)
{
    const Services& services = manager.services();
    return StorageRelocation(manager.folders(), services.settings, services.fileSystem,
                             services.bookmarks);
}

} // namespace

bool changeStorageLocation(StackManager& manager, StorageLocation to)
{
    Alerts& alerts = manager.services().alerts;
    const StorageLocation from = manager.folders().currentStorageLocation();
    if (to == from)
        return true;
    StorageRelocation relocating = relocation(manager);
    const QStringList entries = relocating.entriesToMove(from);
    alerts.bringToFront();
    if (alerts.run(relocating.confirmation(manager.stacks(), from, to)).button != 0)
        return false;

    StorageRelocation::Outcome outcome = relocating.relocate(manager.stacks(), from, to, entries);
    if (outcome.error) {
        alerts.showError(*outcome.error);
        return false;
    }
    manager.records().replaceAll(std::move(*outcome.stacks));
    manager.records().refreshFlags();
    manager.records().save();
    // Copied: a window may call back into the manager while it is shown.
    const QList<DesktopStack> stacks = manager.stacks();
    for (const DesktopStack& stack : stacks)
        manager.windows().showWindow(stack);
    return true;
}

void revertStorageMove(StackManager& manager, const QList<StorageMove>& moves, StorageLocation from,
                       StorageLocation to, const QString& reason)
{
    manager.services().alerts.showError(
        relocation(manager).revertStorageMove(moves, from, to, reason));
}

void showHelp(StackManager& manager)
{
    const Services& services = manager.services();
    services.alerts.bringToFront();
    const AlertAnswer answer = services.alerts.run(HelpAlert::alert(manager.folders()));
    if (answer.button != HelpAlert::openFolderButton)
        return;
    const QString folder = manager.folders().storageFolder();
    if (!services.fileSystem.isDirectory(folder))
        return services.alerts.showError(HelpAlert::noStacksFolder());
    (void)services.workspace.openFolder(folder);
}

} // namespace StoragePlaces
