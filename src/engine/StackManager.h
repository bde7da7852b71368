#pragma once

#include "engine/DesktopFile.h"
#include "engine/NamedPosition.h"
#include "engine/Services.h"
#include "operations/Conversion.h"
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

// The one owner of the stacks: their records, their windows, the menu state and the selection.
// Every operation on stacks is a method here, named by what it does; the long ones forward to
// the collaborators in src/engine and src/operations, which work on the manager through the
// building blocks below. Everything runs on the GUI thread.
class StackManager : public QObject
{
    Q_OBJECT

public:
    // A window drag in progress: the stack whose window is dragged, and where every window that
    // moves with it stood when the drag began.
    struct Drag
    {
        QUuid leader;
        QHash<QUuid, QPointF> start;
    };

    explicit StackManager(const Services& services, QObject* parent = nullptr);
    ~StackManager() override;
    StackManager(const StackManager&) = delete;
    StackManager& operator=(const StackManager&) = delete;

    // --- Fields -------------------------------------------------------------------------------

    // The records, in the order of the stacks file and of every operation on all stacks.
    const QList<DesktopStack>& stacks() const { return m_stacks; }
    // Replaces the whole list (launch). Neither saves nor recomputes the flags.
    void setStacks(QList<DesktopStack> stacks);
    // The record with this id, to change in place; the caller saves. Null when there is none.
    DesktopStack* findStack(const QUuid& id);
    // Takes the first record with this id out of the list (nothing else).
    std::optional<DesktopStack> takeStack(const QUuid& id);
    UndoState& undoState() const { return *m_undoState; }
    const QList<Conversion>& lastConversion() const { return m_lastConversion; }
    // The selected stack windows.
    QSet<QUuid>& selection() { return m_selection; }
    const QSet<QUuid>& selection() const { return m_selection; }
    std::optional<Drag>& drag() { return m_drag; }
    const std::optional<Drag>& drag() const { return m_drag; }
    // The stack windows shown as drop targets during a window drag.
    QSet<QUuid>& hoveredTargets() { return m_hoveredTargets; }
    const QSet<QUuid>& hoveredTargets() const { return m_hoveredTargets; }
    // The selection when the current Desktop marquee began.
    QSet<QUuid>& marqueeBase() { return m_marqueeBase; }
    const QSet<QUuid>& marqueeBase() const { return m_marqueeBase; }

    const Services& services() const { return m_services; }
    // The file system every move, listing and existence test goes through.
    FileSystem& fm() const { return m_services.fileSystem; }
    StorageFolders& folders() { return m_folders; }
    const StorageFolders& folders() const { return m_folders; }
    StackListFile& stackListFile() { return m_stackListFile; }

    // --- Building blocks ----------------------------------------------------------------------

    // Writes the whole list to the stacks file. A failed save is told to the user once (after
    // the current operation), until a save succeeds again.
    void saveStackList();
    // Puts the record into the list as it is about to be and saves, before its files move (no
    // window, no flags): a stop part-way through the moves leaves a list that says where the
    // files were going, and the next launch finishes the moves.
    void recordIntent(const DesktopStack& stack);
    // Tells the user about files an operation could not move. Between holdMoveReports and
    // releaseMoveReports (an operation over many stacks) the reports are kept and then shown
    // as one alert.
    void tellMoveFailures(const TidoraError& error);
    void holdMoveReports();
    void releaseMoveReports();
    // hasStacks, hasSpread and hasStacked from the list.
    void recomputeFlags();
    // Stores the undo record of the last conversion; "Undo" is available while it is not empty.
    void setLastConversion(QList<Conversion> conversions);

    // Every look-up of where items' files are goes through these three, which leave out a file
    // that is not where the stack may keep it (see store/ItemPlaces.h): such an item counts as
    // not found by every operation. A file may still go before it is used; every move fails
    // safely when it has.
    //
    // The paths the record's items resolve to, in item order, skipping those that do not.
    QStringList resolvedFiles(const DesktopStack& stack) const;
    // Where each item's file is now, one entry per item. The names of items whose bookmark
    // leads outside those places are appended to `outside` when given.
    QList<std::optional<QString>> resolvedItems(const DesktopStack& stack,
                                                QStringList* outside = nullptr) const;
    // The same, with the bookmark of each item found renewed to record it there, as an
    // operation that moves the files needs them for Bookmarks::moved.
    QList<std::optional<QString>> renewItems(DesktopStack& stack) const;
    // The check those make, for an operation that has its paths from elsewhere.
    ItemPlaces itemPlaces() const;
    // The Desktop folder as recorded, and with symbolic links resolved.
    QString desktopFolder() const;
    QString resolvedDesktopFolder() const;
    // Whether the path is one of the two storage folders themselves (links resolved).
    bool isStorageFolder(const QString& path) const;
    // Both storage folders with links resolved, for tests of many paths.
    QStringList resolvedStorageFolders() const;

    StackWindowPort* window(const QUuid& id) const;
    QList<QUuid> windowIDs() const;
    // The record's window (made on first use), fed with the record and its files, moved to the
    // record's origin when it stands elsewhere, and ordered to the front.
    StackWindowPort& showWindow(const DesktopStack& stack);
    // The same with the files already known (as resolvedFiles gives them), by an operation that
    // has just resolved or moved them.
    StackWindowPort& showWindow(const DesktopStack& stack, const QStringList& files);
    // Takes the window out of the table and closes it; false when there was none. The window
    // itself is destroyed once the current event is over, so a window may close itself.
    bool closeWindow(const QUuid& id);
    // Shows every window as selected or not, as `selection` says.
    void publishSelection();

    // Removes the stack's folder when it holds nothing but ".DS_Store" (or cannot be listed),
    // and then every storage folder left with nothing but ".DS_Store" and "README.txt". False,
    // with nothing removed, when files remain in the stack's folder. A link in its place is left
    // alone (true).
    bool removeStackFolderIfEmpty(const DesktopStack& stack);

    // Runs `work` on a worker thread and `apply` with its result on the GUI thread, unless the
    // manager is gone by then. The token of the work it belongs to stays on the GUI thread and
    // is let go after `apply`.
    template<typename T>
    void query(std::function<T()> work, std::function<void(const T&)> apply,
               WorkToken token = nullptr);

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
    // token is held until the last stack is made). See engine/AutoStack.h.
    void autoStackByType(WorkToken token = nullptr);

    QString defaultStackName(const QStringList& paths) const;
    QPointF defaultWindowOrigin(const QList<DesktopFile>& files) const;
    Status gatherIntoFolder(DesktopStack& stack);
    void discardEmptyStack(const DesktopStack& stack);
    QString uniqueDestination(const QString& folder, const QString& name) const;

    // Files dropped onto the stack's window join it.
    void addFiles(const QStringList& paths, const QUuid& id);
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

    // --- Selection and group moves ------------------------------------------------------------
    // Called by the stack windows and the Desktop marquee (see engine/GroupMoves.h).

    // Puts the stack into the selection or takes it out; whether it is selected now.
    bool toggleSelection(const QUuid& id);
    // A plain click: the selection becomes this stack alone (unless it is selected already).
    void selectOnly(const QUuid& id);
    void selectIfNeeded(const QUuid& id);
    // Every mouse press outside a stack window, and the marquee it may start (screen
    // coordinates).
    void marqueeBegan(bool onDesktop, bool additive);
    void marqueeChanged(const QRectF& rect);
    // A window drag: whether it carries the selection; each move of any stack window (saved);
    // the release, true when it merged the dragged stacks into the ones they were dropped on.
    bool beginGroupDrag(const QUuid& id);
    void windowMoved(const QUuid& id, QPointF origin);
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
    void destroyClosedWindows();
    quint64 holdWork(WorkToken token);
    WorkToken releaseWork(quint64 key);

    Services m_services;
    StorageFolders m_folders;
    StackListFile m_stackListFile;

    QList<DesktopStack> m_stacks;
    std::map<QUuid, std::unique_ptr<StackWindowPort>> m_windows;
    UndoState* m_undoState;
    QList<Conversion> m_lastConversion;
    QSet<QUuid> m_selection;
    std::optional<Drag> m_drag;
    QSet<QUuid> m_hoveredTargets;
    QSet<QUuid> m_marqueeBase;

    // Closed windows waiting to be destroyed.
    std::vector<std::unique_ptr<StackWindowPort>> m_closedWindows;
    // Tokens of work waiting for a background query, by key.
    std::map<quint64, WorkToken> m_heldWork;
    quint64 m_nextWorkKey = 1;
    // A failed save was told and no save has succeeded since.
    bool m_toldUnsaved = false;
    // Reports of files not moved, held for one alert; nothing while none are held.
    std::optional<QStringList> m_heldReports;
};

template<typename T>
void StackManager::query(std::function<T()> work, std::function<void(const T&)> apply,
                         WorkToken token)
{
    const quint64 key = holdWork(std::move(token));
    // Only `work` runs on the worker thread; the manager is touched on the GUI thread alone.
    m_services.scheduler.inBackground(
        this, [this, work = std::move(work), apply = std::move(apply), key]() -> Scheduler::Task {
            T result = work();
            return [this, apply, key, result = std::move(result)] {
                const WorkToken held = releaseWork(key);
                apply(result);
            };
        });
}
