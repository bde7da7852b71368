#pragma once

#include "engine/DesktopFile.h"
#include "engine/SelectionSource.h"
#include "engine/Services.h"
#include "engine/StackOperations.h"
#include "operations/WorkTicket.h"
#include "store/DesktopStack.h"
#include "store/StorageLocation.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QStringList>
#include <QUuid>

#include <memory>
#include <optional>

// The one owner of the stacks: it makes the owners of their state (the records, the windows,
// the selection) and the operations on them, each built with what it uses, and answers for
// them by the operations' names. A stack window's host and the tray menu's commands reach the
// operations directly (operations()). Everything runs on the GUI thread.
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
    const QList<DesktopStack>& stacks() const;
    StackWindows& windows() const { return m_operations.windows; }
    StackSelection& selection() const { return m_operations.selection; }
    UndoState& undoState() const { return m_operations.undoState; }
    // The file system every move, listing and existence test goes through.
    FileSystem& fm() const { return m_operations.fileSystem; }
    // Everything the manager made, for the places a click arrives and for tests.
    const StackOperations& operations() const { return m_operations; }

    // --- Stacking and spreading ---------------------------------------------------------------

    // Replaces the record with the same id, or appends it; recomputes the flags, saves, and
    // shows the stack's window.
    void storeStack(const DesktopStack& stack);
    std::optional<DesktopStack> stackWithID(const QUuid& id) const;
    // Stacks the Desktop's selected files, or for a context-menu request the files handed over
    // (asynchronous; the token is held until it is done).
    void stackSelection(WorkToken token = nullptr,
                        SelectionSource source = SelectionSource::desktop);
    // A new stack of these files, named `name` or after their kind, its window at the origin.
    void stackFiles(const QList<DesktopFile>& files, const std::optional<QString>& name,
                    QPointF windowOrigin);
    // A new stack centred on a screen point, run as work (dropped while other work runs).
    void stackFilesAtPoint(const QList<DesktopFile>& files, QPointF point);
    // "Auto-Stack by Type": one stack per kind of the Desktop's loose files (asynchronous; the
    // token is held until the last stack is made).
    void autoStackByType(const WorkToken& token = nullptr);
    // Files dropped onto the stack's window join it.
    void addFiles(const QStringList& paths, const QUuid& id);
    // Moves a gathered stack's files back onto the Desktop, in a grid next to the window or
    // each to its recorded place. False when some file could not move (the user has been
    // told).
    bool spread(const QUuid& id, bool inGrid);
    // Gathers a spread stack again; files dragged clearly away leave it when `letMovedLeave`.
    void restack(const QUuid& id, bool letMovedLeave);
    void arrangeInGrid(const QUuid& id);

    // --- The menu's operations ----------------------------------------------------------------

    // Runs the operation as work: refused while other work runs (see operations/RunAsWork.h).
    void runAsWork(Work operation);
    void dissolveAll();
    // "Convert All Stacks into Folders…" (asks; run as work).
    void convertAll();
    // "Undo Convert into Folders" (run as work).
    void undoLastConversion();
    // Asks, then moves every stack to the other storage folder (all or nothing); true when the
    // files are at `to` now.
    bool changeStorageLocation(StorageLocation to);
    // "Help & Recovering Files…".
    void showHelp();
    // "Uninstall Tidora…".
    void uninstall();

    // --- Launch -------------------------------------------------------------------------------

    // Loads the stacks, repairs them against the disk, opens a window per stack and reports.
    void restoreAtLaunch();

private:
    struct Parts;

    std::unique_ptr<Parts> m_parts;
    StackOperations m_operations;
};
