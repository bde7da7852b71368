#include "operations/GivingBack.h"

#include "engine/FolderNames.h"
#include "engine/StackManager.h"
#include "operations/OperationsLog.h"
#include "platform/FileSystem.h"
#include "store/StackListCodec.h"
#include "store/StorageFolders.h"

#include <QFileInfo>
#include <QPointer>
#include <QSet>

namespace GivingBack {

namespace {

const QString dsStore = QStringLiteral(".DS_Store");

QString pathIn(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name;
}

// A name older stack folders had: a stack id in its canonical text.
bool isUuidName(const QString& name)
{
    return name.size() == 36 && !QUuid::fromString(name).isNull();
}

void logUnnamed(const QString& folder, int count)
{
    if (count > 0)
        qCWarning(lcOperations).noquote()
            << QStringLiteral("Tidorama: could not move %1 items in %2 to the Desktop: their "
                              "names are not valid UTF-8")
                   .arg(count)
                   .arg(folder);
}

class StorageEmptier
{
public:
    StorageEmptier(StackManager& manager, QSet<QString> stackFolderNames)
        : m_manager(manager)
        , m_fs(manager.fm())
        , m_folders(manager.folders())
        , m_stackFolderNames(std::move(stackFolderNames))
    {}

    void empty(const QString& storage)
    {
        const std::optional<Listing> listing = m_fs.list(storage);
        if (!listing)
            return;
        logUnnamed(storage, listing->unnamed);
        for (const QString& name : listing->names) {
            if (StorageFolders::isIgnoredName(name))
                continue;
            const QString path = pathIn(storage, name);
            if (!m_fs.isDirectory(path)) {
                m_folders.unprotectFolder(path);
                moveToDesktop(path);
            } else if (isStackFolder(name)) {
                emptyStackFolder(path);
            } else {
                m_folders.unprotectFolder(path);
                if (!moveToDesktop(path))
                    m_folders.protectFolder(path);
            }
        }
        if (m_folders.isEffectivelyEmpty(storage))
            m_folders.removeFolder(storage);
    }

private:
    bool isStackFolder(const QString& name) const
    {
        return m_stackFolderNames.contains(name) || isUuidName(name) ||
               name.startsWith(QLatin1String("Recovered files"));
    }

    // Everything in a stack folder is the user's (the program writes nothing there) but
    // ".DS_Store", which the folder's removal takes away.
    void emptyStackFolder(const QString& folder)
    {
        const std::optional<Listing> listing = m_fs.list(folder);
        if (!listing)
            return;
        logUnnamed(folder, listing->unnamed);
        for (const QString& name : listing->names) {
            if (name != dsStore)
                moveToDesktop(pathIn(folder, name));
        }
        const std::optional<Listing> left = m_fs.list(folder);
        const bool onlyDsStore = left && left->unnamed == 0 &&
                                 std::all_of(left->names.cbegin(), left->names.cend(),
                                             [](const QString& name) { return name == dsStore; });
        if (onlyDsStore)
            m_folders.removeFolder(folder);
    }

    bool moveToDesktop(const QString& path)
    {
        const QString to = FolderNames::uniqueDestination(m_fs, m_manager.files().desktopFolder(),
                                                          QFileInfo(path).fileName());
        const Status moved = m_fs.move(path, to);
        if (!moved)
            qCWarning(lcOperations).noquote() << QStringLiteral("Tidorama: could not move ") +
                                                     path + QStringLiteral(" to the Desktop: ") +
                                                     moved.description();
        return moved.isOk();
    }

    StackManager& m_manager;
    FileSystem& m_fs;
    StorageFolders& m_folders;
    const QSet<QString> m_stackFolderNames;
};

} // namespace

qsizetype itemsToGiveBack(const StackManager& manager)
{
    const FileSystem& fs = manager.fm();
    QSet<QString> paths;
    qsizetype unnamed = 0;
    for (const DesktopStack& stack : manager.stacks()) {
        for (const QString& file : manager.files().resolvedFiles(stack))
            paths.insert(fs.resolved(file));
    }
    // The storage folders' entries, and the entries of the folders among them.
    QStringList folders = manager.folders().allStorageFolders();
    const qsizetype storageFolders = folders.size();
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const std::optional<Listing> listing = fs.list(folders.at(i));
        if (!listing)
            continue;
        unnamed += listing->unnamed;
        for (const QString& name : listing->names) {
            if (StorageFolders::isIgnoredName(name))
                continue;
            const QString path = pathIn(folders.at(i), name);
            paths.insert(fs.resolved(path));
            if (i < storageFolders && fs.isDirectory(path))
                folders.append(path);
        }
    }
    return paths.size() + unnamed;
}

void giveBack(StackManager& manager)
{
    QSet<QString> stackFolderNames;
    QList<QUuid> ids;
    for (const DesktopStack& stack : manager.stacks()) {
        if (stack.folderName)
            stackFolderNames.insert(*stack.folderName);
        stackFolderNames.insert(StackListCodec::uuidText(stack.id));
        ids.append(stack.id);
    }
    const QPointer<StackManager> alive(&manager);
    for (const QUuid& id : std::as_const(ids)) {
        if (!alive)
            return;
        manager.spread(id, false);
        manager.removeStack(id, false);
    }
    if (!alive)
        return;
    StorageEmptier emptier(manager, std::move(stackFolderNames));
    for (const QString& storage : manager.folders().allStorageFolders()) {
        if (manager.fm().exists(storage))
            emptier.empty(storage);
    }
}

} // namespace GivingBack
