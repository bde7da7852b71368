#pragma once

class StackManager;

// Undoing the last batch of conversions into folders.
namespace UndoConversion {

// "Undo Convert into Folders", run as work: every file still in its converted folder goes back
// into its stack (or onto the Desktop, for a stack that was spread), the stacks come back, and
// the folders left with nothing in them are deleted. Files no longer in their folder are
// named in one alert. Beeps when there is nothing to undo.
void undoLastConversion(StackManager& manager);

} // namespace UndoConversion
