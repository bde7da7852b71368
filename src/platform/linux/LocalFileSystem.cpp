#include "platform/linux/LocalFileSystem.h"

#include "platform/CleanPaths.h"
#include "platform/linux/FreedesktopTrash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

Status errnoFailure(int error)
{
    return Status::failure(QString::fromLocal8Bit(std::strerror(error)), error);
}

// The kind a listed entry's type tells; nothing when the file system does not say.
std::optional<EntryKind> kindOfEntryType(unsigned char type)
{
    switch (type) {
    case DT_UNKNOWN:
        return std::nullopt;
    case DT_DIR:
        return EntryKind::directory;
    case DT_LNK:
        return EntryKind::symbolicLink;
    default:
        return EntryKind::other;
    }
}

// A folder, or a symbolic link to one: what a path can be made inside (as mkdir -p sees it).
bool isFolderOrLinkToOne(const QString& path)
{
    struct stat info;
    return ::stat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool LocalFileSystem::exists(const QString& path) const
{
    struct stat info;
    return ::lstat(encoded(path).constData(), &info) == 0;
}

bool LocalFileSystem::isDirectory(const QString& path) const
{
    struct stat info;
    return ::lstat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool LocalFileSystem::isSymbolicLink(const QString& path) const
{
    struct stat info;
    return ::lstat(encoded(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

EntryKind LocalFileSystem::kind(const QString& path) const
{
    struct stat info;
    if (::lstat(encoded(path).constData(), &info) != 0)
        return EntryKind::missing;
    if (S_ISDIR(info.st_mode))
        return EntryKind::directory;
    return S_ISLNK(info.st_mode) ? EntryKind::symbolicLink : EntryKind::other;
}

QList<EntryKind> LocalFileSystem::kinds(const QStringList& paths) const
{
    // Below this many files in one folder, looking at each costs less than reading the folder.
    constexpr qsizetype listedFrom = 16;
    QList<EntryKind> found(paths.size(), EntryKind::missing);
    QHash<QStringView, QList<qsizetype>> byFolder;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths.at(i);
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QStringView name = QStringView(path).sliced(slash + 1);
        if (slash <= 0 || name.isEmpty() || name == u"." || name == u"..")
            found[i] = kind(path);
        else
            byFolder[QStringView(path).first(slash)].append(i);
    }
    for (auto folder = byFolder.cbegin(); folder != byFolder.cend(); ++folder) {
        const QList<qsizetype>& indices = folder.value();
        std::unique_ptr<DIR, int (*)(DIR*)> dir(
            indices.size() < listedFrom ? nullptr
                                        : ::opendir(encoded(folder.key().toString()).constData()),
            &::closedir);
        if (!dir) {
            for (const qsizetype i : indices)
                found[i] = kind(paths.at(i));
            continue;
        }
        // The folder's entries carry their type: one read of the folder instead of a look at
        // each file. A name not found so (gone, or spelt otherwise on a folder that ignores
        // case) is looked at on its own, as is a path asked for twice (rare) the second time.
        // Each name maps to its index + 1 (0: not yet asked for).
        QHash<QByteArray, qsizetype> wanted;
        wanted.reserve(indices.size());
        QList<qsizetype> repeated;
        for (const qsizetype i : indices) {
            qsizetype& slot = wanted[encoded(paths.at(i).sliced(folder.key().size() + 1))];
            if (slot == 0)
                slot = i + 1;
            else
                repeated.append(i);
        }
        while (const dirent* entry = ::readdir(dir.get())) {
            const auto named = wanted.find(
                QByteArray::fromRawData(entry->d_name, qsizetype(std::strlen(entry->d_name))));
            if (named == wanted.end())
                continue;
            const std::optional<EntryKind> listed = kindOfEntryType(entry->d_type);
            const qsizetype i = named.value() - 1;
            found[i] = listed ? *listed : kind(paths.at(i));
            wanted.erase(named);
        }
        for (const qsizetype slot : std::as_const(wanted))
            found[slot - 1] = kind(paths.at(slot - 1));
        for (const qsizetype i : std::as_const(repeated))
            found[i] = kind(paths.at(i));
    }
    return found;
}

std::optional<Listing> LocalFileSystem::list(const QString& folder) const
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(encoded(folder).constData()), &::closedir);
    if (!dir)
        return std::nullopt;
    Listing listing;
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        const QByteArrayView bytes(name);
        if (bytes.isValidUtf8())
            listing.names.append(QString::fromUtf8(bytes));
        else
            ++listing.unnamed;
    }
    return listing;
}

QString LocalFileSystem::resolved(const QString& path) const
{
    const QString absolute = CleanPaths::isCleanAbsolute(QStringView(path))
                                 ? path
                                 : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    char buffer[PATH_MAX];
    if (::realpath(encoded(absolute).constData(), buffer))
        return QFile::decodeName(buffer);
    // Resolve what exists and keep the rest as written.
    const QFileInfo info(absolute);
    if (info.path() == absolute)
        return absolute;
    QString parent = resolved(info.path());
    if (!parent.endsWith(QLatin1Char('/')))
        parent += QLatin1Char('/');
    return parent + info.fileName();
}

Status LocalFileSystem::move(const QString& from, const QString& to)
{
    const QByteArray source = encoded(from);
    const QByteArray target = encoded(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return Status::success();
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // The file system cannot rename without replacing; check first, then rename.
        if (exists(to))
            return errnoFailure(EEXIST);
        if (::rename(source.constData(), target.constData()) == 0)
            return Status::success();
        error = errno;
    }
    if (error == EXDEV)
        return Status::failure(QStringLiteral("It is on another drive than %1, and files are "
                                              "moved, never copied.")
                                   .arg(QFileInfo(to).path()),
                               EXDEV);
    return errnoFailure(error);
}

Status LocalFileSystem::makeFolder(const QString& path, bool withParents)
{
    const QString clean = QDir::cleanPath(path);
    // A user's Documents may well be a link to another drive: links to folders count as folders
    // on the way.
    if (withParents) {
        if (isFolderOrLinkToOne(clean))
            return Status::success();
        const QString parent = QFileInfo(clean).path();
        if (parent != clean && !isFolderOrLinkToOne(parent)) {
            if (Status made = makeFolder(parent, true); !made)
                return made;
        }
    }
    if (::mkdir(encoded(clean).constData(), 0777) == 0)
        return Status::success();
    const int error = errno;
    if (withParents && error == EEXIST && isFolderOrLinkToOne(clean))
        return Status::success();
    return errnoFailure(error);
}

Status LocalFileSystem::removeFile(const QString& path)
{
    if (::unlink(encoded(path).constData()) == 0)
        return Status::success();
    return errnoFailure(errno);
}

Status LocalFileSystem::removeEmptyFolder(const QString& path)
{
    if (::rmdir(encoded(path).constData()) == 0)
        return Status::success();
    return errnoFailure(errno);
}

Status LocalFileSystem::moveToTrash(const QString& path, QString* trashedPath)
{
    return FreedesktopTrash::moveToTrash(path, trashedPath);
}
