#pragma once

#include "store/DesktopStack.h"
#include "store/FreshIds.h"
#include "store/ResolvedFolders.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <optional>

class Bookmarks;
class FileSystem;
class Screens;
class StorageFolders;

// What one repair of the record list did.
struct [[nodiscard]] RepairResult
{
    // The list changed: the caller brings what depends on it up to date and saves it.
    bool changed = false;
    // The stacks to name to the user, in list order, each once.
    QStringList names;
};

// Repairs the stack records against what lies in the storage folder at launch: follows files
// through their bookmarks, takes files found in a stack's folder into its record, and turns
// folders nobody lists into stacks. Nothing is moved here; only records change.
//
// Names found on disk are used only as one entry inside the folder they were listed in, and
// entries are never followed: a symbolic link is an entry like a file, never a folder to look
// into.
class RecordRepair
{
public:
    RecordRepair(StorageFolders& folders, FileSystem& fileSystem, Bookmarks& bookmarks,
                 const Screens& screens);

    // A stacks file edited by hand or by another program may list one id twice: each record has
    // a window of its own, so a later record (or item) with an id seen before gets a fresh one.
    // Nothing is dropped or merged. True when an id changed.
    bool giveRepeatedIdsFreshOnes(QList<DesktopStack>& stacks);

    // Renews the bookmark of every item of a gathered stack that still resolves, and lets a
    // record follow its files into another stack folder (renamed by hand, or merged under
    // another name). True when a record changed.
    bool refreshBookmarks(QList<DesktopStack>& stacks);

    // Stacks take back the files that lie in their folder without an item; a gathered record
    // whose folder is gone first looks for a folder carrying its own name. The names are those
    // of the stacks that got items.
    RepairResult restoreMissingItems(QList<DesktopStack>& stacks);

    // Every folder in the storage folder that no record names, and that holds something,
    // becomes a gathered stack of that name, lined up from the top right of the first screen.
    RepairResult recoverOrphanFolders(QList<DesktopStack>& stacks);

    // The Desktop position given to the `index`-th file of a stack whose window is at
    // `windowOrigin`, when the file brings no position of its own: next to the window, each
    // further file 24 points right and down.
    QPointF iconPositionNear(QPointF windowOrigin, qsizetype index) const;

    // Where the `index`-th stack recovered in a run puts its window: from the top right, 160
    // points further left each, in rows that stay on the screen.
    QPointF recoveredWindowOrigin(qsizetype index) const;

    // Where an item's file was found by this launch's repairs, and its folder resolved.
    struct Found
    {
        QByteArray bookmark;
        QString path;
        QString folder;
    };
    // What the repairs found, by stack and item position in the list they repaired (gathered
    // stacks, and the files they took in or recovered). Nothing moves between the repairs and
    // the windows that open after them, so each file is looked up once per launch.
    const QList<QList<std::optional<Found>>>& found() const { return m_found; }
    // The same by bookmark, made on first use: a look-up by bookmark hashes some hundred bytes
    // per item, which a launch that finds everything where it was never needs.
    const QHash<QByteArray, QString>& knownPaths();

private:
    // Where a bookmark leads: as the repairs found it, or resolved now.
    std::optional<QString> resolved(const QByteArray& bookmark);
    // What the repairs found for the item at `item` in the stack at `stack`, when the item
    // there still carries the bookmark they found.
    const Found* foundAt(qsizetype stack, qsizetype item, const QByteArray& bookmark) const;
    // Records where the item at `item` of the stack at `stack` was found.
    void remember(qsizetype stack, qsizetype item, Found found);

    StorageFolders& m_folders;
    FileSystem& m_fileSystem;
    Bookmarks& m_bookmarks;
    FreshIds m_ids;
    const Screens& m_screens;
    QList<QList<std::optional<Found>>> m_found;
    // m_found by bookmark, once asked for.
    std::optional<QHash<QByteArray, QString>> m_known;
    // Nothing moves a folder between the repairs of one launch: each is resolved once, from the
    // refresh of the bookmarks on.
    ResolvedFolders m_parents;
};
