#pragma once

#include <QList>
#include <QUuid>

class StackManager;

// Sending stacks to the user's Trash.
namespace MoveToBin {

// Asks, then moves every file of the stacks to the Trash and removes the stacks. Only a file
// that is where its stack keeps it (its stack folder, or the Desktop for a spread stack) is
// moved; the others, and files the Trash does not take, stay in their stacks and are named in
// one alert with the reasons. The trashing runs as work, off the GUI thread; refused silently
// while work runs.
void moveStacksToBin(StackManager& manager, const QList<QUuid>& ids);

} // namespace MoveToBin
