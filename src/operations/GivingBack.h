#pragma once

#include <QtGlobal>

class StackManager;

// Uninstalling's first half: every file the program holds goes back to the Desktop.
namespace GivingBack {

// What giving back would move: every stacked file and everything in the two storage folders
// and their stack folders (but their README and ".DS_Store"), each real path counted once, and
// each entry whose name is not valid UTF-8 once.
qsizetype itemsToGiveBack(const StackManager& manager);

// Spreads and removes every stack, then empties both storage folders onto the Desktop entry by
// entry: stack folders (named by a stack, by a stack id, or "Recovered files…") are emptied and
// removed, any other folder and every file is moved whole, each to a free name. What cannot
// move stays where it is, logged; the storage folders go when nothing is left in them.
void giveBack(StackManager& manager);

} // namespace GivingBack
