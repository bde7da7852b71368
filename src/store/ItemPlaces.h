#pragma once

#include "store/DesktopStack.h"
#include "store/ResolvedFolders.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

class FileSystem;
class StorageFolders;

// Where the file of a stack's item may lie: directly in the stack's folder (in either storage
// folder), directly in a storage folder, or directly on the Desktop, each folder compared with
// its links resolved. The stacks file is text a user or another program may have written, and a
// bookmark only a hint: whatever they name, a file anywhere else is not the stack's, and no
// operation moves, trashes or shows it. Every resolution of items goes through here.
//
// Keep one for an operation (folders are resolved once); a new operation makes a new one.
class ItemPlaces
{
public:
    ItemPlaces(const StorageFolders& folders, const FileSystem& fileSystem);

    // Whether the file at `path` may be an item of `stack`.
    bool admits(const DesktopStack& stack, const QString& path);
    // Also true for a file directly in any folder inside the current storage folder: launch
    // lets a record follow its files into another stack folder.
    bool admitsInStorage(const DesktopStack& stack, const QString& path);

    // `paths` (one per item of `stack`, as its bookmarks resolved) with those that lie
    // elsewhere taken out; their items' names are appended to `outside` when given.
    QList<std::optional<QString>> admitted(const DesktopStack& stack,
                                           QList<std::optional<QString>> paths,
                                           QStringList* outside = nullptr);

private:
    bool inStackFolder(const DesktopStack& stack, const QString& parent);

    const StorageFolders& m_folders;
    ResolvedFolders m_parents;
    QStringList m_storage;
    QString m_resolvedStorage;
    // The Desktop and both storage folders, resolved.
    QSet<QString> m_common;
    // The folders of the stack asked about last, as a file's resolved parent reads in them.
    QUuid m_stackId;
    std::optional<QString> m_stackFolderName;
    QStringList m_stackFolders;
};
