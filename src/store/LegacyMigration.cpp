#include "store/LegacyMigration.h"

#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "store/StackListCodec.h"
#include "store/StorageFolders.h"
#include "store/StoreLog.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

const QString recoveredFiles = QStringLiteral("Recovered files");

QString inside(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name;
}

QStringList sortedNames(const Listing& listing)
{
    QStringList names = listing.names;
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

LegacyMigration::LegacyMigration(const Paths& paths, Settings& settings, StorageFolders& folders,
                                 FileSystem& fileSystem, Bookmarks& bookmarks)
    : m_settings(settings)
    , m_folders(folders)
    , m_fileSystem(fileSystem)
    , m_bookmarks(bookmarks)
    , m_legacyStorageFolders{inside(paths.desktop(), QStringLiteral("Tidora")),
                             inside(paths.documents(), QStringLiteral("Tidorama"))}
{}

void LegacyMigration::adoptStorageLocation()
{
    for (const StorageLocation location : allStorageLocations) {
        const StorageLocation current = m_folders.currentStorageLocation();
        if (location == current)
            continue;
        const QString folder = m_folders.storageFolder(location);
        if (!m_folders.folderHasContent(folder))
            continue;
        if (!m_folders.folderHasContent(m_folders.storageFolder(current))) {
            m_settings.setValue(SettingsKey::storageLocation, rawValue(location));
            continue;
        }
        mergeFolderIntoStorage(folder);
    }
}

bool LegacyMigration::isMergeable(const QString& folder) const
{
    // A link is never followed: what it leads to is not ours to move.
    if (!m_fileSystem.isDirectory(folder))
        return false;
    const QString self = m_fileSystem.resolved(folder);
    const QString storage = m_fileSystem.resolved(m_folders.storageFolder());
    return storage != self && !storage.startsWith(self + QLatin1Char('/'));
}

bool LegacyMigration::holdsOnlyStackFolders(const QString& folder) const
{
    const std::optional<Listing> listing = m_fileSystem.list(folder);
    if (!listing || listing->unnamed > 0)
        return false;
    return std::all_of(listing->names.cbegin(), listing->names.cend(), [&](const QString& name) {
        const QString path = inside(folder, name);
        if (name == QStringLiteral("README.txt"))
            return m_folders.isOwnReadme(path);
        return StorageFolders::isIgnoredName(name) || m_fileSystem.isDirectory(path);
    });
}

void LegacyMigration::mergeFolderIntoStorage(const QString& folder)
{
    if (!isMergeable(folder))
        return;
    const QString storage = m_folders.storageFolder();
    // Moved whole only when it is nothing but stack folders: the user's own README or loose
    // files must not vanish into the hidden storage folder with it.
    if (!m_fileSystem.exists(storage) && holdsOnlyStackFolders(folder)) {
        // The folder becomes the storage folder; it is protected again once launch is done.
        m_folders.unprotectFolder(folder);
        const QString parent = QFileInfo(storage).path();
        Status moved = m_fileSystem.makeFolder(parent, true);
        if (moved)
            moved = m_fileSystem.move(folder, storage);
        if (!moved) {
            m_folders.protectFolder(folder);
            logCouldNot("move", folder, moved.description());
        }
        return;
    }

    if (const std::optional<Listing> listing = m_fileSystem.list(folder)) {
        QString looseFiles;
        for (const QString& name : sortedNames(*listing)) {
            if (StorageFolders::isIgnoredName(name))
                continue;
            const QString path = inside(folder, name);
            if (const Status ready = m_folders.ensureStorageFolder(); !ready) {
                logCouldNot("move", path, ready.description());
                continue;
            }
            if (!m_fileSystem.isDirectory(path)) {
                moveLooseFile(path, looseFiles, "move");
                continue;
            }
            m_folders.unprotectFolder(path);
            const Status moved =
                m_fileSystem.move(path, inside(storage, m_folders.uniqueFolderName(name)));
            if (!moved) {
                m_folders.protectFolder(path);
                logCouldNot("move", path, moved.description());
            }
        }
        logUnnamed("move", folder, listing->unnamed);
    }
    if (m_folders.isEffectivelyEmpty(folder))
        m_folders.removeFolder(folder);
}

void LegacyMigration::moveLooseFile(const QString& path, QString& looseFiles, const char* verb)
{
    // Loose files share one new stack folder, so that they come back as a stack under their
    // own names instead of lying hidden in the storage folder.
    if (looseFiles.isEmpty()) {
        const QString folder =
            inside(m_folders.storageFolder(), m_folders.uniqueFolderName(recoveredFiles));
        if (const Status made = m_folders.createStackFolder(folder); !made) {
            logCouldNot(verb, path, made.description());
            return;
        }
        looseFiles = folder;
    }
    const QString name = QFileInfo(path).fileName();
    if (const Status moved = m_fileSystem.move(path, inside(looseFiles, name)); !moved)
        logCouldNot(verb, path, moved.description());
}

bool LegacyMigration::migrateLegacyStacks(QList<DesktopStack>& stacks)
{
    const QString legacy = m_folders.legacyStackFolder();
    if (!m_fileSystem.isDirectory(legacy))
        return false;
    bool changed = false;
    for (qsizetype i = 0; i < stacks.size(); ++i) {
        if (!stacks.at(i).folderName)
            changed = migrate(stacks[i]) || changed;
    }
    recoverLegacyEntries(legacy, stacks);
    if (m_folders.isEffectivelyEmpty(legacy))
        m_folders.removeFolder(legacy);
    return changed;
}

bool LegacyMigration::migrate(DesktopStack& stack)
{
    const QString old = m_folders.stackFolderURL(stack);
    // A file or a link in the old folder's place is left alone, like a missing folder.
    if (!m_fileSystem.isDirectory(old))
        return false;
    if (const Status ready = m_folders.ensureStorageFolder(); !ready) {
        logCouldNot("move", old, ready.description());
        return false;
    }
    const QString name = m_folders.uniqueFolderName(stack.name);
    const QString moved = inside(m_folders.storageFolder(), name);
    if (const Status done = m_fileSystem.move(old, moved); !done) {
        logCouldNot("move", old, done.description());
        return false;
    }
    m_folders.protectFolder(moved);
    stack.folderName = name;
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const QString file = inside(moved, stack.items.at(i).name);
        if (!m_fileSystem.exists(file))
            continue;
        if (std::optional<QByteArray> bookmark = m_bookmarks.make(file))
            stack.items[i].bookmark = *bookmark;
    }
    return true;
}

void LegacyMigration::recoverLegacyEntries(const QString& legacy, const QList<DesktopStack>& stacks)
{
    QSet<QString> waiting;
    for (const DesktopStack& stack : stacks) {
        if (!stack.folderName)
            waiting.insert(StackListCodec::uuidText(stack.id));
    }
    const std::optional<Listing> listing = m_fileSystem.list(legacy);
    if (!listing)
        return;
    QString looseFiles;
    for (const QString& name : sortedNames(*listing)) {
        if (StorageFolders::isIgnoredName(name) || waiting.contains(name))
            continue;
        const QString path = inside(legacy, name);
        if (const Status ready = m_folders.ensureStorageFolder(); !ready) {
            logCouldNot("recover", path, ready.description());
            continue;
        }
        const QString storage = m_folders.storageFolder();
        if (m_fileSystem.isDirectory(path)) {
            const QString target = inside(storage, m_folders.uniqueFolderName(recoveredFiles));
            if (const Status moved = m_fileSystem.move(path, target); moved)
                m_folders.protectFolder(target);
            else
                logCouldNot("recover", path, moved.description());
            continue;
        }
        moveLooseFile(path, looseFiles, "recover");
    }
    logUnnamed("recover", legacy, listing->unnamed);
}
