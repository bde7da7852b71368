#include "engine/StackFiles.h"

#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/DesktopStack.h"
#include "store/StorageFolders.h"

StackFiles::StackFiles(const Paths& paths, FileSystem& fileSystem, Bookmarks& bookmarks,
                       const StorageFolders& folders)
    : m_paths(paths)
    , m_fs(fileSystem)
    , m_bookmarks(bookmarks)
    , m_folders(folders)
{}

ItemPlaces StackFiles::itemPlaces() const
{
    return ItemPlaces(m_folders, m_fs);
}

QStringList StackFiles::resolvedFiles(const DesktopStack& stack) const
{
    QStringList files;
    files.reserve(stack.items.size());
    for (std::optional<QString>& path : resolvedItems(stack)) {
        if (path)
            files.append(std::move(*path));
    }
    return files;
}

QList<std::optional<QString>> StackFiles::resolvedItems(const DesktopStack& stack,
                                                        QStringList* outside) const
{
    return itemPlaces().admitted(stack, m_bookmarks.resolveAll(itemBookmarks(stack)), outside);
}

QList<std::optional<QString>> StackFiles::renewItems(DesktopStack& stack) const
{
    QList<std::optional<Bookmarks::Renewal>> renewals = m_bookmarks.renewAll(itemBookmarks(stack));
    QList<std::optional<QString>> paths;
    paths.reserve(renewals.size());
    for (const std::optional<Bookmarks::Renewal>& renewed : std::as_const(renewals))
        paths.append(renewed ? std::optional<QString>(renewed->path) : std::nullopt);
    paths = itemPlaces().admitted(stack, std::move(paths));
    for (qsizetype i = 0; i < renewals.size(); ++i) {
        // Left as it was: a bookmark that leads elsewhere is not made to record that place.
        if (!paths.at(i))
            continue;
        // Written only on change, so that the item list stays shared when nothing moved.
        if (renewals.at(i)->bookmark != std::as_const(stack.items).at(i).bookmark)
            stack.items[i].bookmark = std::move(renewals[i]->bookmark);
    }
    return paths;
}

QString StackFiles::desktopFolder() const
{
    return m_paths.desktop();
}

QString StackFiles::resolvedDesktopFolder() const
{
    return m_fs.resolved(desktopFolder());
}

bool StackFiles::isStorageFolder(const QString& path) const
{
    return resolvedStorageFolders().contains(m_fs.resolved(path));
}

QStringList StackFiles::resolvedStorageFolders() const
{
    QStringList folders;
    for (const StorageLocation location : allStorageLocations)
        folders.append(m_fs.resolved(m_folders.storageFolder(location)));
    return folders;
}
