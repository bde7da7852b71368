#pragma once

#include "engine/MoveFailures.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

class FileSystem;
class FoundPaths;
class Spreader;
class StackFiles;
class StackRecords;
class Stacker;
class StorageFolders;
struct DesktopStack;

// What a stop in the middle of an operation leaves, made whole at launch. Every operation saves
// a stack's new state before its files move (Spreader, Stacker), so the saved state says
// where the files were going: a stack saved gathered gathers what still lies on the Desktop,
// a stack saved spread spreads what still lies in its folder. Nothing is renamed: a file
// already where it belongs stays as it is.
class HalfDoneMoves
{
public:
    // What finishing did.
    struct Finished
    {
        // The stacks whose files were moved, in list order.
        QStringList names;
        // Files that had to move, and those that could not.
        qsizetype asked = 0;
        MoveFailures failures;
    };

    HalfDoneMoves(FileSystem& fs, StorageFolders& folders, const StackFiles& files,
                  StackRecords& records, Stacker& stacker, Spreader& spreader);

    // A file is an item of one record only: when two records (or two items of one) lead to the
    // same file, the record whose folder holds it keeps it, else the first. True when a record
    // changed; the caller saves.
    // `found` holds where the launch's repairs found files; the rest is resolved.
    bool dropSharedItems(const FoundPaths& found);
    // Records left without items (a conversion stopped after its last move) go, with their
    // folders when nothing is left in them. True when a record went; the caller saves.
    bool dropEmptyRecords();
    // Moves the files of every stack whose files are split between its folder and the Desktop
    // to where its saved state says they belong, and saves. The icons of files that arrive on
    // the Desktop are placed at their recorded positions.
    Finished finishMoves(const FoundPaths& found);

private:
    QList<std::optional<QString>> whereAre(const DesktopStack& stack,
                                           const FoundPaths& found) const;

    FileSystem& m_fs;
    StorageFolders& m_folders;
    const StackFiles& m_files;
    StackRecords& m_records;
    Stacker& m_stacker;
    Spreader& m_spreader;
};
