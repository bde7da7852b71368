#pragma once

#include "engine/DesktopFile.h"
#include "engine/FileKind.h"
#include "operations/WorkTicket.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>

class StackManager;

// "Auto-Stack by Type": the loose files on the Desktop gathered into one stack per kind.
namespace AutoStack {

// The files of one kind that go into one stack, sorted by name.
struct Group
{
    FileKind kind;
    QList<DesktopFile> files;
};

// Reads every Desktop item on a worker thread, then, back on the GUI thread, stacks each kind
// that has at least two eligible files: into the stack already named after the kind, or into a
// new one in the next free slot from the top right of the screen. One group per turn of the
// event loop, so the windows appear one after another. The token is held until the last group.
void autoStackByType(StackManager& manager, WorkToken token);

// The groups to stack, in the order of the kinds: files of any stack, applications and
// launchers, plain folders and hidden items (`hidden`, by path) stay where they are, and so do
// kinds with a single file and files of no particular kind.
QList<Group> groupsByKind(const StackManager& manager, const QList<DesktopFile>& items,
                          const QSet<QString>& hidden);

// How many stack windows one column of the area holds (at least one).
int rowsPerColumn(const QRectF& area);
// The origin of window slot k: columns filled downward from the top right of the area, then the
// next column to the left.
QPointF windowSlot(const QRectF& area, int slot);

} // namespace AutoStack
