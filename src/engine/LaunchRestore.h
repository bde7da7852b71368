#pragma once

class Alerts;
class Bookmarks;
class FileSystem;
class FirstRunChoice;
class HalfDoneMoves;
class Paths;
class Screens;
class Settings;
class StackFiles;
class StackListFile;
class StackRecords;
class StackWindows;
class StorageFolders;

// The launch step: the stacks file, repaired against the disk by the store's reconciliation,
// one window per stack, then what the user must be told. The repairs report each change of the
// list, which is saved right then.
class LaunchRestore
{
public:
    LaunchRestore(const Paths& paths, Settings& settings, FileSystem& fs, Bookmarks& bookmarks,
                  const Screens& screens, Alerts& alerts, FirstRunChoice& firstRun,
                  StorageFolders& folders, StackListFile& listFile, const StackFiles& files,
                  StackRecords& records, StackWindows& windows, HalfDoneMoves& halfDoneMoves);

    // Loads the stacks, repairs them against the disk, opens a window per stack and reports.
    void restoreAtLaunch();

private:
    const Paths& m_paths;
    Settings& m_settings;
    FileSystem& m_fs;
    Bookmarks& m_bookmarks;
    const Screens& m_screens;
    Alerts& m_alerts;
    FirstRunChoice& m_firstRun;
    StorageFolders& m_folders;
    StackListFile& m_listFile;
    const StackFiles& m_files;
    StackRecords& m_records;
    StackWindows& m_windows;
    HalfDoneMoves& m_halfDoneMoves;
};
