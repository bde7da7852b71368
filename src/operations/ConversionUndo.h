#pragma once

#include "operations/Conversion.h"

class Alerts;
class Bookmarks;
class DesktopBridge;
class FileSystem;
class FolderConversion;
class QObject;
class Scheduler;
class StackFiles;
class StackRecords;
class StackWindows;
class Status;
class StorageFolders;
class UndoState;

// Undoing the last batch of conversions into folders.
class ConversionUndo
{
public:
    ConversionUndo(StackRecords& records, StackWindows& windows, const StackFiles& files,
                   StorageFolders& folders, FileSystem& fileSystem, Bookmarks& bookmarks,
                   DesktopBridge& desktop, Alerts& alerts, Scheduler& scheduler, UndoState& state,
                   FolderConversion& conversion, QObject& context);

    // "Undo Convert into Folders", run as work: every file still in its converted folder goes
    // back into its stack (or onto the Desktop, for a stack that was spread), the stacks come
    // back, and the folders left with nothing in them are deleted. Files no longer in their
    // folder are named in one alert. Beeps when there is nothing to undo.
    void undoLastConversion();

private:
    struct Report;

    void chooseFolderName(DesktopStack& target) const;
    Status prepareStackFolder(const DesktopStack& target);
    void undoOne(const Conversion& conversion, Report& report);
    void undoNow();

    StackRecords& m_records;
    StackWindows& m_windows;
    const StackFiles& m_files;
    StorageFolders& m_folders;
    FileSystem& m_fileSystem;
    Bookmarks& m_bookmarks;
    DesktopBridge& m_desktop;
    Alerts& m_alerts;
    Scheduler& m_scheduler;
    UndoState& m_state;
    FolderConversion& m_conversion;
    QObject& m_context;
};
