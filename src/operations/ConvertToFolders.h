#pragma once

#include "engine/NamedPosition.h"

#include <QList>
#include <QUuid>

class StackManager;

// Converting stacks into ordinary folders on the Desktop, named "TR_" and the stack's name,
// where the stack's window stood. The last batch can be undone (UndoConversion).
namespace ConvertToFolders {

// "Convert All Stacks into Folders…": asks, then converts every stack as work. Beeps instead
// while other work runs or when there is no stack.
void convertAll(StackManager& manager);
// Converts the stacks in order, without asking. Files that cannot move stay in their stacks
// and are named in one alert after the batch; a folder that cannot be made leaves its stack
// as it was, and the first such failure is shown after the batch.
void convertStacks(StackManager& manager, const QList<QUuid>& ids);

// Tells the desktop program, after 0.5 s, where these Desktop icons go; a refusal is shown.
void placeIconsSoon(StackManager& manager, const QList<NamedPosition>& placements);

} // namespace ConvertToFolders
