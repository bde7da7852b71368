#include "operations/AllFilesBack.h"

#include "engine/FolderNames.h"
#include "engine/Spreader.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "operations/OperationsLog.h"
#include "operations/StackRemoval.h"
#include "platform/FileSystem.h"
#include "store/StackListCodec.h"
#include "store/StorageFolders.h"

#include <QFileInfo>
#include <QPointer>
#include <QSet>

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
    StorageEmptier(FileSystem& fs, StorageFolders& folders, const StackFiles& files,
                   QSet<QString> stackFolderNames)
        : m_fs(fs)
        , m_folders(folders)
        , m_files(files)
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
        const QString to = FolderNames::uniqueDestination(m_fs, m_files.desktopFolder(),
                                                          QFileInfo(path).fileName());
        const Status moved = m_fs.move(path, to);
        if (!moved)
            qCWarning(lcOperations).noquote() << QStringLiteral("Tidorama: could not move ") +
                                                     path + QStringLiteral(" to the Desktop: ") +
                                                     moved.description();
        return moved.isOk();
    }

    FileSystem& m_fs;
    StorageFolders& m_folders;
    const StackFiles& m_files;
    const QSet<QString> m_stackFolderNames;
};

} // namespace

AllFilesBack::AllFilesBack(FileSystem& fs, StorageFolders& folders, const StackFiles& files,
                           const StackRecords& records, StackRemoval& removal, Spreader& spreader,
                           QObject& context)
    : m_fs(fs)
    , m_folders(folders)
    , m_files(files)
    , m_records(records)
    , m_removal(removal)
    , m_spreader(spreader)
    , m_context(context)
{}

qsizetype AllFilesBack::itemsToGiveBack() const
{
    const FileSystem& fs = m_fs;
    QSet<QString> paths;
    qsizetype unnamed = 0;
    for (const DesktopStack& stack : m_records.all()) {
        for (const QString& file : m_files.resolvedFiles(stack))
            paths.insert(fs.resolved(file));
    }
    // The storage folders' entries, and the entries of the folders among them.
    QStringList folders = m_folders.allStorageFolders();
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

void AllFilesBack::giveBack()
{
    QSet<QString> stackFolderNames;
    QList<QUuid> ids;
    for (const DesktopStack& stack : m_records.all()) {
        if (stack.folderName)
            stackFolderNames.insert(*stack.folderName);
        stackFolderNames.insert(StackListCodec::uuidText(stack.id));
        ids.append(stack.id);
    }
    const QPointer<QObject> alive(&m_context);
    for (const QUuid& id : std::as_const(ids)) {
        if (!alive)
            return;
        m_spreader.spread(id, false);
        m_removal.removeStack(id, false);
    }
    if (!alive)
        return;
    StorageEmptier emptier(m_fs, m_folders, m_files, std::move(stackFolderNames));
    for (const QString& storage : m_folders.allStorageFolders()) {
        if (m_fs.exists(storage))
            emptier.empty(storage);
    }
}
