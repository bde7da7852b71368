#pragma once

#include "engine/BridgeResult.h"
#include "engine/DesktopFile.h"
#include "engine/MoveFailures.h"
#include "engine/SelectionSource.h"
#include "operations/WorkTicket.h"
#include "platform/Status.h"
#include "store/StackItem.h"

#include <QList>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

class Alerts;
class BackgroundQueries;
class Bookmarks;
class DesktopBridge;
class FileSystem;
class FirstRunChoice;
class MoveReports;
class Screens;
class StackFiles;
class StackRecords;
class StackRemoval;
class StackWindows;
class StorageFolders;
struct DesktopStack;

// Making stacks: Desktop files moved into a new stack's folder.
class Stacker
{
public:
    // What gathering a record's files did.
    struct GatherOutcome
    {
        // Files that had to move, and how many did.
        qsizetype asked = 0;
        qsizetype moved = 0;
        MoveFailures failures;
        // Keep the items whose files could not move (they stay where they are, still listed);
        // otherwise they leave the record.
        bool keepUnmoved = false;
        // Keep the items whose files are not found, or lie neither on the Desktop nor in the
        // folder; otherwise they leave the record.
        bool keepElsewhere = false;
    };

    // An item taken out of its stack because its file joins another one.
    struct TakenItem
    {
        QUuid stack;
        qsizetype index = 0;
        StackItem item;
        // Its file, links resolved, before the move.
        QString path;
    };

    Stacker(FileSystem& fs, Bookmarks& bookmarks, DesktopBridge& desktop, Alerts& alerts,
            const Screens& screens, FirstRunChoice& firstRun, StorageFolders& folders,
            const StackFiles& files, StackRecords& records, StackWindows& windows,
            MoveReports& reports, BackgroundQueries& queries, StackRemoval& removal);

    // Stacks what the Desktop reports as selected (for a context-menu request, what the action
    // handed over). The query runs on a worker thread; the token of the work it belongs to is
    // held until the result has been applied.
    void stackSelection(WorkToken token, SelectionSource source = SelectionSource::desktop);
    void stackFiles(const QList<DesktopFile>& files, const std::optional<QString>& name,
                    QPointF windowOrigin);
    // For the drag gesture: a stack centred on the release point (the caller runs it as work,
    // dropped while other work runs).
    void stackFilesAtPoint(const QList<DesktopFile>& files, QPointF point);

    // "3 Screenshots" or "1 PDF" when every file is of one kind, else "Stack n".
    QString defaultStackName(const QStringList& paths) const;
    // Centres the window on the icons' centre; the middle of the first screen when no icon
    // position is known.
    QPointF defaultWindowOrigin(const QList<DesktopFile>& files) const;

    // Makes the storage folder and the record's folder.
    Status prepareFolder(const DesktopStack& stack);
    // Moves the record's Desktop files into its folder and keeps what is already there; every
    // other item is dropped. Fails, with the record unchanged, when the folders cannot be made.
    Status gatherIntoFolder(DesktopStack& stack);
    // The same for a caller that has just resolved the items (`current`, one entry per item);
    // the paths of the kept items' files afterwards go to `gathered`, in item order. What moved
    // and what did not goes to `outcome` when given.
    Status gatherIntoFolder(DesktopStack& stack, const QList<std::optional<QString>>& current,
                            QStringList& gathered, GatherOutcome* outcome = nullptr);
    // Takes the files at `paths` (links resolved) out of every record but `except`: a file is
    // an item of one stack only. The records change in the list, unsaved, so that the next save
    // writes them with the stack the files join.
    QList<TakenItem> takeFromOtherStacks(const QSet<QString>& paths, const QUuid& except);
    // After the moves: the taken items whose files stayed where they were (`stayed`) go back to
    // their stacks; each changed record is stored again, and one left without items is removed.
    void settleOtherStacks(const QList<TakenItem>& taken, const QStringList& stayed);
    // Removes the folders a stack that never got a file leaves behind.
    void discardEmptyStack(const DesktopStack& stack);

private:
    void stackSelected(const BridgeResult<QList<DesktopFile>>& selection);
    // stackFiles for files whose names can be read.
    void stackReadable(const QList<DesktopFile>& files, const std::optional<QString>& name,
                       QPointF windowOrigin);
    template<typename IsDirectory>
    QString nameForKinds(const QStringList& paths, IsDirectory isDirectory) const;
    void store(const DesktopStack& stack, const QStringList& files);

    FileSystem& m_fs;
    Bookmarks& m_bookmarks;
    DesktopBridge& m_desktop;
    Alerts& m_alerts;
    const Screens& m_screens;
    FirstRunChoice& m_firstRun;
    StorageFolders& m_folders;
    const StackFiles& m_files;
    StackRecords& m_records;
    StackWindows& m_windows;
    MoveReports& m_reports;
    BackgroundQueries& m_queries;
    StackRemoval& m_removal;
};
