#pragma once

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
