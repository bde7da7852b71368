#include "platform/linux/InodeBookmarks.h"

#include "platform/CleanPaths.h"
#include "platform/linux/FileIdentity.h"
#include "platform/linux/FolderHandles.h"
#include "platform/linux/InodeIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace {

// Layout, version 1: "TIBM", version, flags (bit 0: birth time known), device, inode, birth
// seconds (8 bytes each, big-endian), birth nanoseconds (4), then the path's bytes.
constexpr char magic[4] = {'T', 'I', 'B', 'M'};
constexpr quint8 version = 1;
constexpr qsizetype headerSize = 4 + 1 + 1 + 8 + 8 + 8 + 4;

struct Decoded
{
    FileIdentity identity;
    QByteArray path;
};

template<typename T>
void put(QByteArray& bytes, T value)
{
    char buffer[sizeof(T)];
    qToBigEndian(value, buffer);
    bytes.append(buffer, sizeof(T));
}

template<typename T>
T take(const char*& at)
{
    const T value = qFromBigEndian<T>(at);
    at += sizeof(T);
    return value;
}

QByteArray encode(const FileIdentity& identity, const QByteArray& path)
{
    QByteArray bytes;
    bytes.reserve(headerSize + path.size());
    bytes.append(magic, sizeof magic);
    bytes.append(char(version));
    bytes.append(char(identity.hasBirthTime ? 1 : 0));
    put<quint64>(bytes, identity.device);
    put<quint64>(bytes, identity.inode);
    put<qint64>(bytes, identity.birthSeconds);
    put<quint32>(bytes, identity.birthNanoseconds);
    bytes.append(path);
    return bytes;
}

std::optional<Decoded> decode(const QByteArray& bytes)
{
    if (bytes.size() <= headerSize || !bytes.startsWith(QByteArrayView(magic, sizeof magic)) ||
        quint8(bytes.at(4)) != version)
        return std::nullopt;
    Decoded decoded;
    decoded.identity.hasBirthTime = (bytes.at(5) & 1) != 0;
    const char* at = bytes.constData() + 6;
    decoded.identity.device = take<quint64>(at);
    decoded.identity.inode = take<quint64>(at);
    decoded.identity.birthSeconds = take<qint64>(at);
    decoded.identity.birthNanoseconds = take<quint32>(at);
    decoded.path = bytes.mid(headerSize);
    // Only clean absolute paths are ever written; anything else is not ours. A ".." after a
    // link would lead the system somewhere else than the path reads.
    if (!decoded.path.startsWith('/') || decoded.path.contains('\0'))
        return std::nullopt;
    if (!CleanPaths::isCleanAbsolute(QByteArrayView(decoded.path))) {
        const QString text = QFile::decodeName(decoded.path);
        if (QDir::cleanPath(text) != text)
            return std::nullopt;
    }
    return decoded;
}

// The path as bookmarks record it: absolute, cleaned, in the file-name encoding.
QByteArray recordedPath(const QString& path)
{
    // An absolute path needs no QFileInfo, and a clean one no cleaning: an operation on a
    // thousand files would do both a thousand times.
    if (CleanPaths::isCleanAbsolute(QStringView(path)))
        return QFile::encodeName(path);
    return QFile::encodeName(QDir::cleanPath(
        path.startsWith(QLatin1Char('/')) ? path : QFileInfo(path).absoluteFilePath()));
}

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

} // namespace

InodeBookmarks::InodeBookmarks(SearchRoots roots)
    : m_index(std::make_unique<InodeIndex>([roots = std::move(roots)] {
        QList<InodeIndex::Root> encoded;
        if (!roots)
            return encoded;
        const QList<SearchRoot> given = roots();
        for (const SearchRoot& root : given) {
            if (!root.path.isEmpty())
                encoded.append({QFile::encodeName(QDir::cleanPath(root.path)), root.depth});
        }
        return encoded;
    }))
{}

InodeBookmarks::~InodeBookmarks() = default;

std::optional<FileIdentity> InodeBookmarks::identity(const QByteArray& path, FolderHandles* folders)
{
    return folders ? folders->identity(path) : FileIdentity::of(path);
}

std::optional<QByteArray> InodeBookmarks::make(const QString& path)
{
    return makeWith(path, nullptr);
}

std::optional<QByteArray> InodeBookmarks::makeWith(const QString& path, FolderHandles* folders)
{
    const QByteArray encoded = recordedPath(path);
    const std::optional<FileIdentity> found = identity(encoded, folders);
    if (!found)
        return std::nullopt;
    return encode(*found, encoded);
}

std::optional<QString> InodeBookmarks::resolve(const QByteArray& bookmark)
{
    return resolveWith(bookmark, nullptr);
}

std::optional<QString> InodeBookmarks::resolveWith(const QByteArray& bookmark,
                                                   FolderHandles* folders)
{
    const std::optional<Decoded> decoded = decode(bookmark);
    if (!decoded)
        return std::nullopt;
    const std::optional<FileIdentity> atPath = identity(decoded->path, folders);
    if (atPath && decoded->identity.sameFileAs(*atPath))
        return QFile::decodeName(decoded->path);
    if (const std::optional<QByteArray> found =
            m_index->find(decoded->identity, parentOf(decoded->path), nullptr, folders))
        return QFile::decodeName(*found);
    return std::nullopt;
}

std::optional<Bookmarks::Renewal> InodeBookmarks::renew(const QByteArray& bookmark)
{
    return renewWith(bookmark, nullptr);
}

std::optional<Bookmarks::Renewal> InodeBookmarks::renewWith(const QByteArray& bookmark,
                                                            FolderHandles* folders)
{
    const std::optional<Decoded> decoded = decode(bookmark);
    if (!decoded)
        return std::nullopt;
    const std::optional<FileIdentity> atPath = identity(decoded->path, folders);
    if (!atPath || !decoded->identity.sameFileAs(*atPath)) {
        // As resolving and then making a bookmark of what was found would, from the folders
        // finding it took.
        FileIdentity found;
        if (const std::optional<QByteArray> path =
                m_index->find(decoded->identity, parentOf(decoded->path), &found, folders))
            return Renewal{QFile::decodeName(*path), encode(found, *path)};
        return std::nullopt;
    }
    const FileIdentity& was = decoded->identity;
    const bool unchanged = was.device == atPath->device &&
                           was.hasBirthTime == atPath->hasBirthTime &&
                           was.birthSeconds == atPath->birthSeconds &&
                           was.birthNanoseconds == atPath->birthNanoseconds;
    return Renewal{QFile::decodeName(decoded->path),
                   unchanged ? bookmark : encode(*atPath, decoded->path)};
}

QList<std::optional<QByteArray>> InodeBookmarks::makeAll(const QStringList& paths)
{
    FolderHandles folders;
    return eachOf(paths, [&](const QString& path) { return makeWith(path, &folders); });
}

QList<std::optional<QString>> InodeBookmarks::resolveAll(const QList<QByteArray>& bookmarks)
{
    FolderHandles folders;
    return eachOf(bookmarks,
                  [&](const QByteArray& bookmark) { return resolveWith(bookmark, &folders); });
}

QList<std::optional<Bookmarks::Renewal>>
InodeBookmarks::renewAll(const QList<QByteArray>& bookmarks)
{
    FolderHandles folders;
    return eachOf(bookmarks,
                  [&](const QByteArray& bookmark) { return renewWith(bookmark, &folders); });
}

std::optional<QByteArray> InodeBookmarks::moved(const QByteArray& bookmark, const QString& to)
{
    const std::optional<Decoded> decoded = decode(bookmark);
    if (!decoded)
        return make(to);
    return encode(decoded->identity, recordedPath(to));
}

int InodeBookmarks::foldersRead() const
{
    return m_index->foldersRead();
}
