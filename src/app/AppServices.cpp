#include "app/AppServices.h"

#include "desktop/QtStackWindowFactory.h"
#include "platform/linux/LinuxWording.h"
#include "platform/x11/DesktopProbe.h"

AppServices::AppServices(DesktopPlatform& platform)
    : wording(linuxWording(platform.features()))
    // Both storage folders two levels deep and the Desktop one level deep.
    , bookmarks([this] {
        return QList<InodeBookmarks::SearchRoot>{
            {folders.storageFolder(StorageLocation::documents), 2},
            {folders.storageFolder(StorageLocation::desktop), 2},
            {paths.desktop(), 1}};
    })
    , desktop(paths, fileSystem, settings,
              LinuxDesktopBridge::Probes{DesktopProbe::windowClass, DesktopProbe::workArea})
    , windowFactory(std::make_unique<QtStackWindowFactory>(
          StackWindowEnvironment{scheduler, screens, fileSystem, alerts, &platform, &thumbnails}))
    , firstRun(alerts, settings, folders, [this](StorageLocation location) {
        return changeLocation && changeLocation(location);
    })
{}

AppServices::~AppServices() = default;

Services AppServices::services()
{
    return Services{paths,     settings,  folderGuard, fileSystem, bookmarks,
                    scheduler, alerts,    screens,     desktop,    *windowFactory,
                    firstRun,  cloudSync, wording,     workspace,  program};
}
