#pragma once

#include "engine/StackSelection.h"

#include <QList>
#include <QStringList>
#include <QUuid>

class StackManager;

// Files dropped onto a stack's window join the stack: they are moved into its folder, each
// with its Desktop position, or, when it has none, in a diagonal next to the window. Dropping
// a spread stack's own file gathers the whole stack again.
//
// Besides the storage folders and hidden files, nothing that is or holds the Desktop, a
// storage folder or the data folder is ever taken: dropping the home folder must not move the
// Desktop into a stack.
void addFiles(StackManager& manager, const QStringList& paths, const QUuid& id);

// The window drag is over: each dragged stack's files go into the stack it was dropped on,
// each leaving the dragged stack as it moves; the dragged stack goes with its last file. Files
// that could not move stay its items (the user has been told), so that the stack still shows
// where they are. True when there was a drop to merge.
bool mergeDropped(StackManager& manager, const QList<StackSelection::Drop>& drops);
