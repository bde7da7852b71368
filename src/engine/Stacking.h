#pragma once

#include "engine/DesktopFile.h"
#include "operations/WorkTicket.h"
#include "platform/Status.h"

#include <QList>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QStringList>

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

// Moves the record's Desktop files into its folder and keeps what is already there; every
// other item is dropped. Fails, with the record unchanged, when the folders cannot be made.
Status gatherIntoFolder(StackManager& manager, DesktopStack& stack);
// The same for a caller that has just resolved the items (`current`, one entry per item); the
// paths of the kept items' files afterwards go to `gathered`, in item order.
Status gatherIntoFolder(StackManager& manager, DesktopStack& stack,
                        const QList<std::optional<QString>>& current, QStringList& gathered);
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
