#pragma once

#include <QUuid>

class StackManager;

// Forgets a stack: its record (saved at once), its window and its place in the selection. Its
// folder goes when nothing but ".DS_Store" is left in it, and the storage folders with it when
// they are left empty; otherwise the folder stays, and with `reportLeftovers` the user is told
// where the remaining files are.
void removeStack(StackManager& manager, const QUuid& id, bool reportLeftovers);
