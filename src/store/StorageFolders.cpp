#include "store/StorageFolders.h"

#include "platform/CloudSync.h"
#include "platform/FileSystem.h"
#include "platform/FolderGuard.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/Wording.h"
#include "store/DesktopStack.h"
#include "store/HelpText.h"
#include "store/StackListCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <optional>

namespace {

const QString dsStore = QStringLiteral(".DS_Store");
const QString readme = QStringLiteral("README.txt");

// The longest file name Linux file systems take, in bytes.
constexpr qsizetype maxNameBytes = 255;

// `base` cut (at a character boundary) so that base + suffix fits in a file name.
QString fitted(const QString& base, const QString& suffix)
{
    const qsizetype room = maxNameBytes - suffix.toUtf8().size();
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < base.size()) {
        const char32_t c = base.at(end).isHighSurrogate() && end + 1 < base.size()
                               ? QChar::surrogateToUcs4(base.at(end), base.at(end + 1))
                               : char32_t(base.at(end).unicode());
        const qsizetype length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (bytes + length > room)
            break;
        bytes += length;
        end += c >= 0x10000 ? 2 : 1;
    }
    return base.left(end) + suffix;
}

// A README's bytes, unless it cannot be read or is far larger than any the program writes.
std::optional<QByteArray> readSmallFile(const QString& path)
{
    constexpr qint64 limit = 1 << 20;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > limit)
        return std::nullopt;
    return file.read(limit);
}

} // namespace

StorageFolders::StorageFolders(const Paths& paths, const Settings& settings, FileSystem& fileSystem,
                               FolderGuard& guard, const CloudSync& cloudSync,
                               const Wording& wording)
    : m_paths(paths)
    , m_settings(settings)
    , m_fileSystem(fileSystem)
    , m_guard(guard)
    , m_cloudSync(cloudSync)
    , m_wording(wording)
{}

bool StorageFolders::isIgnoredName(const QString& name)
{
    return name == dsStore || name == readme;
}

StorageLocation StorageFolders::currentStorageLocation() const
{
    const QVariant stored = m_settings.value(SettingsKey::storageLocation);
    if (stored.typeId() == QMetaType::QString) {
        if (const auto location = storageLocationFromRawValue(stored.toString()))
            return *location;
    }
    return desktopSyncsWithICloud() ? StorageLocation::desktop : StorageLocation::documents;
}

bool StorageFolders::desktopSyncsWithICloud() const
{
    return m_cloudSync.isSynced(m_paths.desktop());
}

QString StorageFolders::storageFolder(StorageLocation location) const
{
    const QString parent =
        location == StorageLocation::desktop ? m_paths.desktop() : m_paths.documents();
    return parent + QLatin1Char('/') + storageFolderName(location);
}

QString StorageFolders::storageFolder() const
{
    return storageFolder(currentStorageLocation());
}

QStringList StorageFolders::allStorageFolders() const
{
    const StorageLocation current = currentStorageLocation();
    return {storageFolder(current), storageFolder(otherLocation(current))};
}

QString StorageFolders::displayPath(StorageLocation location) const
{
    return m_paths.displayPath(storageFolder(location));
}

QString StorageFolders::label(StorageLocation location) const
{
    return ::label(location, m_wording);
}

QString StorageFolders::legacyStackFolder() const
{
    return m_paths.desktop() + QStringLiteral("/.Tidorama");
}

QString StorageFolders::stackFolderURL(const DesktopStack& stack) const
{
    return stackFolderURL(stack, stack.folderName ? storageFolder() : QString());
}

QString StorageFolders::stackFolderURL(const DesktopStack& stack,
                                       const QString& storageFolder) const
{
    if (stack.folderName)
        return storageFolder + QLatin1Char('/') + *stack.folderName;
    return legacyStackFolder() + QLatin1Char('/') + StackListCodec::uuidText(stack.id);
}

QString StorageFolders::sanitizedFolderName(const QString& name)
{
    QString result = name;
    result.replace(QLatin1Char('/'), QLatin1Char('-'));
    result.replace(QLatin1Char(':'), QLatin1Char('-'));
    // A file name cannot hold NUL; the system would cut the name there.
    result.replace(QChar(u'\0'), QLatin1Char('-'));
    // QChar::isSpace is Unicode's white space and line breaks, as the rule wants.
    result = result.trimmed();
    qsizetype dots = 0;
    while (dots < result.size() && result.at(dots) == QLatin1Char('.'))
        ++dots;
    result.remove(0, dots);
    if (result.isEmpty())
        return QStringLiteral("Stack");
    return fitted(result, QString());
}

QString StorageFolders::fittedName(const QString& base, const QString& suffix)
{
    return fitted(base, suffix);
}

QString StorageFolders::uniqueFolderName(const QString& name, const QSet<QString>& claimed) const
{
    const QString base = sanitizedFolderName(name);
    const QString folder = storageFolder() + QLatin1Char('/');
    QString candidate = base;
    for (int counter = 2; claimed.contains(candidate) || m_fileSystem.exists(folder + candidate);
         ++counter)
        candidate = fitted(base, QStringLiteral(" %1").arg(counter));
    return candidate;
}

Status StorageFolders::createStackFolder(const QString& folder)
{
    // Files gathered through a link would leave the storage folder for wherever it leads.
    if (m_fileSystem.isSymbolicLink(folder))
        return Status::failure(QStringLiteral("\u201C%1\u201D is a link, not a folder, so no files "
                                              "are moved into it.")
                                   .arg(folder));
    if (Status made = m_fileSystem.makeFolder(folder, true); !made)
        return made;
    protectFolder(folder);
    return Status::success();
}

bool StorageFolders::folderHasContent(const QString& folder) const
{
    const std::optional<Listing> listing = m_fileSystem.list(folder);
    if (!listing)
        return false;
    if (listing->unnamed > 0)
        return true;
    return std::any_of(listing->names.cbegin(), listing->names.cend(),
                       [](const QString& name) { return !isIgnoredName(name); });
}

bool StorageFolders::isEffectivelyEmpty(const QString& folder) const
{
    return !folderHasContent(folder);
}

void StorageFolders::removeFolder(const QString& folder)
{
    unprotectFolder(folder);
    const QString store = folder + QLatin1Char('/') + dsStore;
    if (m_fileSystem.exists(store) && !m_fileSystem.isDirectory(store))
        (void)m_fileSystem.removeFile(store);
    // A README of the user's keeps the folder.
    const QString text = folder + QLatin1Char('/') + readme;
    if (isOwnReadme(text))
        (void)m_fileSystem.removeFile(text);
    if (!m_fileSystem.removeEmptyFolder(folder) && m_fileSystem.isDirectory(folder))
        protectFolder(folder);
}

Status StorageFolders::ensureStorageFolder()
{
    const QString folder = storageFolder();
    if (Status made = m_fileSystem.makeFolder(folder, true); !made)
        return made;
    protectFolder(folder);

    const QString path = folder + QLatin1Char('/') + readme;
    // Writing through a link would change a file outside the storage folder.
    if (QFileInfo(path).isSymLink())
        return Status::success();
    // Only a README of ours is brought up to date; one the user put there stays as it is.
    const QByteArray text = readmeText().toUtf8();
    if (QFileInfo::exists(path) && (!isOwnReadme(path) || readSmallFile(path) == text))
        return Status::success();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text);
        (void)file.commit();
    }
    return Status::success();
}

void StorageFolders::protectStackFolders()
{
    const QString folder = storageFolder();
    if (!m_fileSystem.exists(folder))
        return;
    protectFolder(folder);
    const std::optional<Listing> listing = m_fileSystem.list(folder);
    if (!listing)
        return;
    for (const QString& name : listing->names) {
        const QString path = folder + QLatin1Char('/') + name;
        if (m_fileSystem.isDirectory(path))
            protectFolder(path);
    }
}

void StorageFolders::protectFolder(const QString& folder)
{
    m_guard.protect(folder);
}

void StorageFolders::unprotectFolder(const QString& folder)
{
    m_guard.unprotect(folder);
}

QString StorageFolders::helpText() const
{
    return helpText(currentStorageLocation());
}

QString StorageFolders::helpText(StorageLocation current) const
{
    HelpPlaces places;
    places.documents = displayPath(StorageLocation::documents);
    places.desktop = displayPath(StorageLocation::desktop);
    places.current = displayPath(current);
    places.other = displayPath(otherLocation(current));
    places.desktopFolder = m_paths.displayPath(m_paths.desktop());
    return ::helpText(m_wording, places);
}

QString StorageFolders::readmeText() const
{
    return readmeText(currentStorageLocation());
}

QString StorageFolders::readmeText(StorageLocation current) const
{
    return m_wording.readmeIntro + helpText(current) + QLatin1Char('\n');
}

bool StorageFolders::isOwnReadme(const QString& path) const
{
    // Through a link it would be another file.
    if (QFileInfo(path).isSymLink())
        return false;
    const std::optional<QByteArray> bytes = readSmallFile(path);
    if (!bytes)
        return false;
    return std::any_of(
        allStorageLocations.cbegin(), allStorageLocations.cend(),
        [&](StorageLocation location) { return *bytes == readmeText(location).toUtf8(); });
}

bool StorageFolders::removeStackFolderIfEmpty(const DesktopStack& stack)
{
    const QString folder = stackFolderURL(stack);
    // A link in the folder's place is not the stack's folder: neither what it leads to nor the
    // link is the stack's to judge or remove.
    if (m_fileSystem.isSymbolicLink(folder))
        return true;
    if (const std::optional<Listing> listing = m_fileSystem.list(folder)) {
        if (listing->unnamed > 0)
            return false;
        for (const QString& name : listing->names) {
            if (name != QLatin1String(".DS_Store"))
                return false;
        }
    }
    removeFolder(folder);
    for (const StorageLocation location : allStorageLocations) {
        const QString storage = storageFolder(location);
        if (m_fileSystem.exists(storage) && isEffectivelyEmpty(storage))
            removeFolder(storage);
    }
    return true;
}
