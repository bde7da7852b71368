#pragma once

#include "engine/AutoStacker.h"
#include "engine/BackgroundQueries.h"
#include "engine/DesktopFile.h"
#include "engine/FileAdder.h"
#include "engine/FolderSync.h"
#include "engine/HalfDoneMoves.h"
#include "engine/LaunchRestore.h"
#include "engine/MoveReports.h"
#include "engine/NamedPosition.h"
#include "engine/Services.h"
#include "engine/Spreader.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackSelection.h"
#include "engine/StackWindows.h"
#include "engine/Stacker.h"
#include "operations/AllFilesBack.h"
#include "operations/Conversion.h"
#include "operations/Dissolver.h"
#include "operations/StackRemoval.h"
#include "operations/Uninstaller.h"
#include "operations/WorkTicket.h"
#include "platform/Scheduler.h"
#include "platform/Status.h"
#include "store/DesktopStack.h"
#include "store/ItemPlaces.h"
#include "store/StackListFile.h"
#include "store/StorageFolders.h"
#include "store/StorageRelocation.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class StackWindowPort;
class UndoState;

// The one owner of the stacks: it makes the owners of their state (the records, the windows,
// the selection) and the operations on them, each built with what it uses, and answers for
// them by the operations' names. Everything runs on the GUI thread.
class StackManager : public QObject
{
    Q_OBJECT

public:
    explicit StackManager(const Services& services, QObject* parent = nullptr);
    ~StackManager() override;
    StackManager(const StackManager&) = delete;
    StackManager& operator=(const StackManager&) = delete;

    // --- Fields -------------------------------------------------------------------------------

    // The records, in the order of the stacks file and of every operation on all stacks.
    const QList<DesktopStack>& stacks() const { return m_records.all(); }
    StackRecords& records() { return m_records; }
    StackWindows& windows() { return m_windows; }
    StackSelection& selection() { return m_selection; }
    const StackSelection& selection() const { return m_selection; }
    UndoState& undoState() const { return *m_undoState; }
    // The file system every move, listing and existence test goes through.
    FileSystem& fm() const { return m_services.fileSystem; }

    // --- Being split up -----------------------------------------------------------------------

    const Services& services() const { return m_services; }
    StorageFolders& folders() { return m_folders; }
    const StorageFolders& folders() const { return m_folders; }
    const StackFiles& files() const { return m_files; }
    MoveReports& reports() { return m_reports; }
    BackgroundQueries& queries() { return m_queries; }
    StackRemoval& removal() { return m_removal; }

    // --- Stacking and spreading ---------------------------------------------------------------

    // Replaces the record with the same id, or appends it; recomputes the flags, saves, and
    // shows the stack's window.
    void storeStack(const DesktopStack& stack);
    // The same with the record's files already known (as resolvedFiles gives them).
    void storeStack(const DesktopStack& stack, const QStringList& files);
    std::optional<DesktopStack> stackWithID(const QUuid& id) const;

    // Stacks the Desktop's selected files (asynchronous; the token is held until it is done).
    void stackSelection(WorkToken token = nullptr);
    // A new stack of these files, named `name` or after their kind, its window at the origin.
    void stackFiles(const QList<DesktopFile>& files, const std::optional<QString>& name,
                    QPointF windowOrigin);
    // A new stack centred on a screen point, run as work.
    void stackFilesAtPoint(const QList<DesktopFile>& files, QPointF point);

    // "Auto-Stack by Type": one stack per kind of the Desktop's loose files (asynchronous; the
    // token is held until the last stack is made). See engine/AutoStacker.h.
    void autoStackByType(WorkToken token = nullptr);

    QString defaultStackName(const QStringList& paths) const;
    QPointF defaultWindowOrigin(const QList<DesktopFile>& files) const;
    Status gatherIntoFolder(DesktopStack& stack);
    void discardEmptyStack(const DesktopStack& stack);

    // Files dropped onto the stack's window join it.
    void addFiles(const QStringList& paths, const QUuid& id);
    // A collapsed stack's items whose files left its folder leave it (see engine/FolderSync.h).
    void syncWithFolder(const QUuid& id);
    // Moves a gathered stack's files back onto the Desktop, in a grid next to the window or
    // each to its recorded place. False when some file could not move (the user has been
    // told).
    bool spread(const QUuid& id, bool inGrid);
    // Gathers a spread stack again; files dragged clearly away leave it when `letMovedLeave`.
    void restack(const QUuid& id, bool letMovedLeave);
    void arrangeInGrid(const QUuid& id);
    QList<QPointF> gridPositions(int count, const DesktopStack& stack);
    void refreshPositions(const QUuid& id);
    void placeIcons(const QList<NamedPosition>& placements, const QUuid& id);

    // --- Dissolving and removing --------------------------------------------------------------

    QList<QUuid> targetsOfWindowCommand(const QUuid& id) const;
    void dissolveFromMenu(const QUuid& id);
    void dissolveAfterAnimation(const QUuid& id);
    void dissolveAll();
    void removeStack(const QUuid& id, bool reportLeftovers);
    // The window drag is over: each dragged stack dropped on another is merged into it. True
    // when a merge consumed the release.
    bool endGroupDrag();

    // --- Menu state, work and renaming -------------------------------------------------------

    void refreshSelectionFlag();
    // Runs the operation as work (see operations/RunAsWork.h).
    void runAsWork(Work operation);
    void renameStack(const QUuid& id);

    // --- Where the files are --------------------------------------------------------------------

    // Asks, then moves every stack to the other storage folder (all or nothing); true when the
    // files are at `to` now. See engine/StoragePlaces.h.
    bool changeStorageLocation(StorageLocation to);
    void revertStorageMove(const QList<StorageMove>& moves, StorageLocation from,
                           StorageLocation to, const QString& reason);
    // "Help & Recovering Files…".
    void showHelp();
    // The first-run choice (the FirstRunChoice port): true when the user has confirmed where
    // stacked files go, earlier or now.
    bool showFirstRunAlert(bool beforeStacking);

    // --- Converting, the Bin, uninstalling ----------------------------------------------------

    // "Convert All Stacks into Folders…" (asks; run as work).
    void convertAll();
    // Each stack becomes a folder on the Desktop (the window command; no question asked).
    void convertStacks(const QList<QUuid>& ids);
    // "Undo Convert into Folders" (run as work).
    void undoLastConversion();
    void moveStacksToBin(const QList<QUuid>& ids);
    // "Uninstall Tidora…".
    void uninstall();

    // --- Launch -------------------------------------------------------------------------------

    // Loads the stacks, repairs them against the disk, opens a window per stack and reports.
    void restoreAtLaunch();

private:
    Services m_services;
    UndoState* m_undoState;
    StorageFolders m_folders;
    StackListFile m_stackListFile;
    StackFiles m_files;
    StackRecords m_records;
    StackWindows m_windows;
    StackSelection m_selection;
    MoveReports m_reports;
    BackgroundQueries m_queries;
    StackRemoval m_removal;
    Stacker m_stacker;
    Spreader m_spreader;
    FileAdder m_fileAdder;
    AutoStacker m_autoStacker;
    FolderSync m_folderSync;
    Dissolver m_dissolver;
    AllFilesBack m_allFilesBack;
    Uninstaller m_uninstaller;
    HalfDoneMoves m_halfDoneMoves;
    LaunchRestore m_launch;
};
