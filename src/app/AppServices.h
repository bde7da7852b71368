#pragma once

#include "desktop/QtAlerts.h"
#include "desktop/QtScreens.h"
#include "desktop/QtWorkspace.h"
#include "engine/Services.h"
#include "platform/Wording.h"
#include "platform/linux/FreedesktopThumbnailer.h"
#include "platform/linux/IniSettings.h"
#include "platform/linux/InodeBookmarks.h"
#include "platform/linux/LinuxCloudSync.h"
#include "platform/linux/LinuxDesktopBridge.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LocalFileSystem.h"
#include "platform/linux/NullFolderGuard.h"
#include "platform/linux/QtRunningProgram.h"
#include "platform/linux/QtScheduler.h"
#include "store/FirstRunAlert.h"
#include "store/StorageFolders.h"

#include <functional>
#include <memory>

class DesktopPlatform;
class StackWindowFactory;

// The real implementations of every port, made once for the process in the order they depend
// on each other. The desktop bridge is made here, before anything lists the Desktop, so it can
// first put back files an interrupted icon move left aside.
class AppServices
{
public:
    explicit AppServices(DesktopPlatform& platform);
    ~AppServices();
    AppServices(const AppServices&) = delete;
    AppServices& operator=(const AppServices&) = delete;

    Services services();

    LinuxPaths paths;
    IniSettings settings{IniSettings::defaultFileName(paths.configRoot())};
    NullFolderGuard folderGuard;
    LocalFileSystem fileSystem;
    LinuxCloudSync cloudSync{paths};
    Wording wording;
    // For the bookmarks' search roots only; the manager keeps its own.
    StorageFolders folders{paths, settings, fileSystem, folderGuard, cloudSync, wording};
    InodeBookmarks bookmarks;
    QtScheduler scheduler;
    QtAlerts alerts;
    QtScreens screens;
    LinuxDesktopBridge desktop;
    FreedesktopThumbnailer thumbnails;
    std::unique_ptr<StackWindowFactory> windowFactory;
    // Moves the stacks for the first-run choice: the manager's changeStorageLocation, bound
    // once the manager exists.
    std::function<bool(StorageLocation)> changeLocation;
    FirstRunAlert firstRun;
    QtWorkspace workspace;
    QtRunningProgram program;
};
