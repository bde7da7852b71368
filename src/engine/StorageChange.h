#pragma once

#include "store/StorageLocation.h"
#include "store/StorageRelocation.h"

#include <QList>
#include <QString>

class Alerts;
class Bookmarks;
class FileSystem;
class Settings;
class StackRecords;
class StackWindows;
class StorageFolders;
class Workspace;

// Where the stacked files live, as the tray menu offers it: moving every stack to the other
// storage folder, and the help window that tells where they are.
class StorageChange
{
public:
    StorageChange(StackRecords& records, StackWindows& windows, StorageFolders& folders,
                  Settings& settings, FileSystem& fileSystem, Bookmarks& bookmarks, Alerts& alerts,
                  Workspace& workspace);

    // Asks, then moves every stack folder to the location's folder, all or nothing, and shows
    // each window again with its files at their new place. True when the files are there now
    // (also when they were already), false when the user cancelled or the move was undone.
    bool changeStorageLocation(StorageLocation to);
    // Undoes the moves of a failed relocation and tells the user.
    void revertStorageMove(const QList<StorageMove>& moves, StorageLocation from,
                           StorageLocation to, const QString& reason);
    // "Help & Recovering Files…": the help text, and the stacks folder opened on request.
    void showHelp();

private:
    StorageRelocation relocation();

    StackRecords& m_records;
    StackWindows& m_windows;
    StorageFolders& m_folders;
    Settings& m_settings;
    FileSystem& m_fileSystem;
    Bookmarks& m_bookmarks;
    Alerts& m_alerts;
    Workspace& m_workspace;
};
