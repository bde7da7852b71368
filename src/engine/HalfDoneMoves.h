#pragma once

#include "engine/MoveFailures.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

class StackManager;

// What a stop in the middle of an operation leaves, made whole at launch. Every operation saves
// a stack's new state before its files move (Spreading, Stacking), so the saved state says
// where the files were going: a stack saved gathered gathers what still lies on the Desktop,
// a stack saved spread spreads what still lies in its folder. Nothing is renamed: a file
// already where it belongs stays as it is.
namespace HalfDoneMoves {

// What finishing did.
struct Finished
{
    // The stacks whose files were moved, in list order.
    QStringList names;
    // Files that had to move, and those that could not.
    qsizetype asked = 0;
    MoveFailures failures;
};

// A file is an item of one record only: when two records (or two items of one) lead to the same
// file, the record whose folder holds it keeps it, else the first. True when a record changed;
// the caller saves.
// `known` holds where the launch's repairs found files, by bookmark; the rest is resolved.
bool dropSharedItems(StackManager& manager, const QHash<QByteArray, QString>& known);
// Records left without items (a conversion stopped after its last move) go, with their
// folders when nothing is left in them. True when a record went; the caller saves.
bool dropEmptyRecords(StackManager& manager);
// Moves the files of every stack whose files are split between its folder and the Desktop to
// where its saved state says they belong, and saves. The icons of files that arrive on the
// Desktop are placed at their recorded positions.
Finished finishMoves(StackManager& manager, const QHash<QByteArray, QString>& known);

} // namespace HalfDoneMoves
