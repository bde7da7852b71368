#pragma once

#include "engine/StackSelection.h"

#include <QList>
#include <QStringList>
#include <QUuid>

class Alerts;
class Bookmarks;
class DesktopBridge;
class FileSystem;
class MoveReports;
class Paths;
class QObject;
class Screens;
class Spreader;
class StackFiles;
class StackRecords;
class StackRemoval;
class StackWindows;
class Stacker;
class StorageFolders;
struct DesktopStack;

// Files dropped onto a stack's window join the stack: they are moved into its folder, each
// with its Desktop position, or, when it has none, in a diagonal next to the window. Dropping
// a spread stack's own file gathers the whole stack again.
//
// Besides the storage folders and hidden files, nothing that is or holds the Desktop, a
// storage folder or the data folder is ever taken: dropping the home folder must not move the
// Desktop into a stack.
class FileAdder
{
public:
    // `context`: merging stops when it goes (an alert runs the event loop).
    FileAdder(FileSystem& fs, Bookmarks& bookmarks, DesktopBridge& desktop, Alerts& alerts,
              const Screens& screens, const Paths& paths, StorageFolders& folders,
              const StackFiles& files, StackRecords& records, StackWindows& windows,
              MoveReports& reports, StackRemoval& removal, Stacker& stacker, Spreader& spreader,
              QObject& context);

    void addFiles(const QStringList& paths, const QUuid& id);

    // The window drag is over: each dragged stack's files go into the stack it was dropped on,
    // each leaving the dragged stack as it moves; the dragged stack goes with its last file.
    // Files that could not move stay its items (the user has been told), so that the stack
    // still shows where they are. True when there was a drop to merge.
    bool mergeDropped(const QList<StackSelection::Drop>& drops);

private:
    QStringList protectedPlaces() const;

    FileSystem& m_fs;
    Bookmarks& m_bookmarks;
    DesktopBridge& m_desktop;
    Alerts& m_alerts;
    const Screens& m_screens;
    const Paths& m_paths;
    StorageFolders& m_folders;
    const StackFiles& m_files;
    StackRecords& m_records;
    StackWindows& m_windows;
    MoveReports& m_reports;
    StackRemoval& m_removal;
    Stacker& m_stacker;
    Spreader& m_spreader;
    QObject& m_context;
};
