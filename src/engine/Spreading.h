#pragma once

#include "engine/MoveFailures.h"
#include "engine/NamedPosition.h"

#include <QList>
#include <QPointF>
#include <QUuid>

class StackManager;
struct DesktopStack;

// Spreading a stack's files onto the Desktop and gathering them again.
namespace Spreading {

// What moving a stack's files onto the Desktop did.
struct SpreadOutcome
{
    // Every file of the stack on the Desktop now, with where its icon goes.
    QList<NamedPosition> placements;
    // Of those, the files that moved there now.
    QList<NamedPosition> arrived;
    // Files that had to move, and how many did.
    qsizetype asked = 0;
    qsizetype moved = 0;
    MoveFailures failures;
};

// Moves the record's files that are not on the Desktop there, each under its item's name or
// the first free one; files already there stay as they are. `paths` (one per item, as resolved
// and renewed) and the items follow the files. The state is left to the caller.
SpreadOutcome moveToDesktop(StackManager& manager, DesktopStack& stack,
                            QList<std::optional<QString>>& paths, bool inGrid);

// Moves a gathered stack's files back onto the Desktop, each icon to its recorded place or,
// in a grid, next to the window. The desktop program is told the places before the files
// arrive, and again twice once they are there.
// False when some file could not move (the user has been told).
bool spread(StackManager& manager, const QUuid& id, bool inGrid);
// Tells the desktop program where the icons go after 0.2 s and again after another 0.7 s,
// then records where they really are.
void placeIcons(StackManager& manager, const QList<NamedPosition>& placements, const QUuid& id);
// Records where a spread stack's icons are now.
void refreshPositions(StackManager& manager, const QUuid& id);
// Gathers a spread stack again. Files dragged more than 80 points away leave the stack when
// `letMovedLeave` is true; nearer ones only have their new places recorded.
void restack(StackManager& manager, const QUuid& id, bool letMovedLeave);
// Lays a spread stack's icons out in a grid next to its window.
void arrangeInGrid(StackManager& manager, const QUuid& id);
// One Desktop position per icon for a grid next to the stack's window, clear of the other
// icons and stack windows.
QList<QPointF> gridPositions(StackManager& manager, int count, const DesktopStack& stack);

} // namespace Spreading
