#pragma once

class Alerts;
class Bookmarks;
class CloudSync;
class DesktopBridge;
class FileSystem;
class FirstRunChoice;
class FolderGuard;
class Paths;
class RunningProgram;
class Scheduler;
class Screens;
class Settings;
class StackWindowFactory;
class Workspace;
struct Wording;

// Everything the manager reaches outside itself, handed in once. The application passes the
// real implementations; tests pass fakes (tests/support/TestServices). Every referenced object
// must outlive the manager.
struct Services
{
    const Paths& paths;
    Settings& settings;
    FolderGuard& folderGuard;
    FileSystem& fileSystem;
    Bookmarks& bookmarks;
    Scheduler& scheduler;
    Alerts& alerts;
    const Screens& screens;
    DesktopBridge& desktop;
    StackWindowFactory& windowFactory;
    FirstRunChoice& firstRun;
    // For the storage folders: whether the Desktop syncs, and the platform's texts.
    const CloudSync& cloudSync;
    const Wording& wording;
    // Opens the stacks folder for the help window.
    Workspace& workspace;
    // The program itself, for uninstalling.
    RunningProgram& program;
};
