#include "store/ItemPlaces.h"

#include "platform/CleanPaths.h"
#include "platform/Paths.h"
#include "store/StorageFolders.h"

#include <QDir>

ItemPlaces::ItemPlaces(const StorageFolders& folders, const FileSystem& fileSystem)
    : m_folders(folders)
    , m_parents(fileSystem)
    , m_storage(folders.allStorageFolders())
{
    m_common.insert(m_parents.folder(folders.paths().desktop()));
    for (const QString& storage : std::as_const(m_storage))
        m_common.insert(m_parents.folder(storage));
    m_resolvedStorage = m_parents.folder(m_storage.constFirst());
}

bool ItemPlaces::inStackFolder(const DesktopStack& stack, const QString& parent)
{
    // The items of one stack come in a row: its folders are worked out once for them.
    if (stack.id != m_stackId || stack.folderName != m_stackFolderName ||
        m_stackFolders.isEmpty()) {
        m_stackId = stack.id;
        m_stackFolderName = stack.folderName;
        m_stackFolders.clear();
        for (const QString& storage : std::as_const(m_storage)) {
            const QString folder = m_folders.stackFolderURL(stack, storage);
            // The folder itself, not where a link in its place leads: a resolved path holds no
            // link, so a parent that reads as the resolved storage folder + the name is that
            // folder.
            const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
            m_stackFolders.append(m_parents.folder(folder.left(slash)) +
                                  QStringView(folder).sliced(slash));
        }
    }
    return m_stackFolders.contains(parent);
}

bool ItemPlaces::admits(const DesktopStack& stack, const QString& path)
{
    // A path that does not read as what it names ("..", "." or "//" in it) is nobody's.
    if (!CleanPaths::isCleanAbsolute(QStringView(path)) && QDir::cleanPath(path) != path)
        return false;
    const QString parent = m_parents.parentOf(path);
    // The stack's own folders first: most items lie there, and they are compared without
    // hashing the parent.
    return inStackFolder(stack, parent) || m_common.contains(parent);
}

bool ItemPlaces::admitsInStorage(const DesktopStack& stack, const QString& path)
{
    if (admits(stack, path))
        return true;
    const QString parent = m_parents.parentOf(path);
    const qsizetype slash = parent.lastIndexOf(QLatin1Char('/'));
    return slash > 0 && QStringView(parent).first(slash) == m_resolvedStorage;
}

QList<std::optional<QString>> ItemPlaces::admitted(const DesktopStack& stack,
                                                   QList<std::optional<QString>> paths,
                                                   QStringList* outside)
{
    for (qsizetype i = 0; i < paths.size(); ++i) {
        std::optional<QString>& path = paths[i];
        if (!path || admits(stack, *path))
            continue;
        path.reset();
        if (outside && i < stack.items.size())
            outside->append(stack.items.at(i).name);
    }
    return paths;
}
