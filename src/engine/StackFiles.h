#pragma once

#include "store/ItemPlaces.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Bookmarks;
class FileSystem;
class Paths;
class StorageFolders;
struct DesktopStack;

// Where the stacks' files are. Every look-up of where items' files are goes through these,
// which leave out a file that is not where the stack may keep it (see store/ItemPlaces.h): such
// an item counts as not found by every operation. A file may still go before it is used; every
// move fails safely when it has.
class StackFiles
{
public:
    StackFiles(const Paths& paths, FileSystem& fileSystem, Bookmarks& bookmarks,
               const StorageFolders& folders);

    // The paths the record's items resolve to, in item order, skipping those that do not.
    QStringList resolvedFiles(const DesktopStack& stack) const;
    // Where each item's file is now, one entry per item. The names of items whose bookmark
    // leads outside those places are appended to `outside` when given.
    QList<std::optional<QString>> resolvedItems(const DesktopStack& stack,
                                                QStringList* outside = nullptr) const;
    // The same, with the bookmark of each item found renewed to record it there, as an
    // operation that moves the files needs them for Bookmarks::moved.
    QList<std::optional<QString>> renewItems(DesktopStack& stack) const;
    // The check those make, for an operation that has its paths from elsewhere.
    ItemPlaces itemPlaces() const;

    // The Desktop folder as recorded, and with symbolic links resolved.
    QString desktopFolder() const;
    QString resolvedDesktopFolder() const;
    // Whether the path is one of the two storage folders themselves (links resolved).
    bool isStorageFolder(const QString& path) const;
    // Both storage folders with links resolved, for tests of many paths.
    QStringList resolvedStorageFolders() const;

private:
    const Paths& m_paths;
    FileSystem& m_fs;
    Bookmarks& m_bookmarks;
    const StorageFolders& m_folders;
};
