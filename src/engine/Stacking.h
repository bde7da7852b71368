#pragma once

#include "engine/DesktopFile.h"
#include "engine/MoveFailures.h"
#include "operations/WorkTicket.h"
#include "platform/Status.h"
#include "store/StackItem.h"

#include <QList>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <optional>

class FileSystem;
class StackManager;
struct DesktopStack;

// Making stacks: Desktop files moved into a new stack's folder.
namespace Stacking {

// Stacks what the Desktop reports as selected. The query runs on a worker thread; the token
// of the work it belongs to is held until the result has been applied.
void stackSelection(StackManager& manager, WorkToken token);
void stackFiles(StackManager& manager, const QList<DesktopFile>& files,
                const std::optional<QString>& name, QPointF windowOrigin);
// For the drag gesture: a stack centred on the release point, run as work (dropped while
// other work runs).
void stackFilesAtPoint(StackManager& manager, const QList<DesktopFile>& files, QPointF point);

// "3 Screenshots" or "1 PDF" when every file is of one kind, else "Stack n".
QString defaultStackName(const StackManager& manager, const QStringList& paths);
// Centres the window on the icons' centre; the middle of the first screen when no icon
// position is known.
QPointF defaultWindowOrigin(const StackManager& manager, const QList<DesktopFile>& files);

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

// Makes the storage folder and the record's folder.
Status prepareFolder(StackManager& manager, const DesktopStack& stack);
// Moves the record's Desktop files into its folder and keeps what is already there; every
// other item is dropped. Fails, with the record unchanged, when the folders cannot be made.
Status gatherIntoFolder(StackManager& manager, DesktopStack& stack);
// The same for a caller that has just resolved the items (`current`, one entry per item); the
// paths of the kept items' files afterwards go to `gathered`, in item order. What moved and
// what did not goes to `outcome` when given.
Status gatherIntoFolder(StackManager& manager, DesktopStack& stack,
                        const QList<std::optional<QString>>& current, QStringList& gathered,
                        GatherOutcome* outcome = nullptr);
// An item taken out of its stack because its file joins another one.
struct TakenItem
{
    QUuid stack;
    qsizetype index = 0;
    StackItem item;
    // Its file, links resolved, before the move.
    QString path;
};
// Takes the files at `paths` (links resolved) out of every record but `except`: a file is an
// item of one stack only. The records change in the list, unsaved, so that the next save
// writes them with the stack the files join.
QList<TakenItem> takeFromOtherStacks(StackManager& manager, const QSet<QString>& paths,
                                     const QUuid& except);
// After the moves: the taken items whose files stayed where they were (`stayed`) go back to
// their stacks; each changed record is stored again, and one left without items is removed.
void settleOtherStacks(StackManager& manager, const QList<TakenItem>& taken,
                       const QStringList& stayed);
// Removes the folders a stack that never got a file leaves behind.
void discardEmptyStack(StackManager& manager, const DesktopStack& stack);

// folder/name, or "name 2.ext", "name 3.ext", … : the first that is free, and not one of the
// `reserved` names (destinations already promised to other files). Names are cut so that the
// number still fits in a file name.
QString uniqueDestination(const FileSystem& fs, const QString& folder, const QString& name,
                          const QSet<QString>& reserved = {});
// The name itself or the first of "name 2.ext", "name 3.ext", … that `isFree` accepts.
QString firstFreeName(const QString& name, const std::function<bool(const QString&)>& isFree);

} // namespace Stacking
