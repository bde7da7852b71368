#pragma once

#include "operations/WorkTicket.h"
#include "store/DesktopStack.h"

#include <QList>
#include <QUuid>

#include <optional>

class Alerts;
class BackgroundQueries;
class FileSystem;
class QObject;
class Scheduler;
class StackFiles;
class StackRecords;
class StackRemoval;
class StackWindows;
class Status;
class StorageFolders;
class UndoState;

// Sending stacks to the user's Trash.
class BinMover
{
public:
    BinMover(StackRecords& records, StackWindows& windows, const StackFiles& files,
             StackRemoval& removal, const StorageFolders& folders, BackgroundQueries& queries,
             FileSystem& fileSystem, Alerts& alerts, Scheduler& scheduler, UndoState& state,
             QObject& context);

    // Asks, then moves every file of the stacks to the Trash and removes the stacks. Only a
    // file that is where its stack keeps it (its stack folder, or the Desktop for a spread
    // stack) is moved; the others, and files the Trash does not take, stay in their stacks and
    // are named in one alert with the reasons. The trashing runs as work, off the GUI thread;
    // refused silently while work runs.
    void moveStacksToBin(const QList<QUuid>& ids);

private:
    // One item of a stack to trash, and where its file is when it is where the stack keeps it.
    struct Entry
    {
        QUuid stack;
        StackItem item;
        std::optional<QString> path;
    };

    void collectStack(const DesktopStack& stack, QList<Entry>& entries) const;
    static QList<Status> trashFiles(FileSystem& fs, const QList<Entry>& entries);
    void trashStacks(const QList<QUuid>& ids, WorkToken token);
    void finishTrashing(const QList<DesktopStack>& before, const QList<Entry>& entries,
                        const QList<Status>& results);

    StackRecords& m_records;
    StackWindows& m_windows;
    const StackFiles& m_files;
    StackRemoval& m_removal;
    const StorageFolders& m_folders;
    BackgroundQueries& m_queries;
    FileSystem& m_fileSystem;
    Alerts& m_alerts;
    Scheduler& m_scheduler;
    UndoState& m_state;
    QObject& m_context;
};
