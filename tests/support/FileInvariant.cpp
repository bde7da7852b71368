#include "FileInvariant.h"

#include "TempHome.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

FileInvariant::FileInvariant(const TempHome& home)
    : m_home(home)
{
    m_places = {home.desktop(), home.documents() + QStringLiteral("/.Tidora")};
    m_others = scanOthers();
}

void FileInvariant::allowPlace(const QString& relativePath)
{
    m_places.append(m_home.home() + QLatin1Char('/') + relativePath);
    m_others = scanOthers();
}

void FileInvariant::takeSnapshot()
{
    m_others = scanOthers();
}

QString FileInvariant::addFile(const QString& relativePath, const QByteArray& content)
{
    const QByteArray body = content.isEmpty()
                                ? QByteArray("tracked file ") + QByteArray::number(++m_counter) +
                                      ' ' + relativePath.toUtf8() + '\n'
                                : content;
    const QString path = m_home.write(relativePath, body);
    track(path);
    return path;
}

QString FileInvariant::addSymlink(const QString& relativePath, const QString& target)
{
    const QString path = m_home.home() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).path());
    QFile::link(target, path);
    track(path);
    return path;
}

void FileInvariant::track(const QString& path)
{
    bool isLink = false;
    const QByteArray key = fingerprint(path, &isLink);
    m_tracked.insert(key, Entry{path, isLink});
    m_others.remove(path);
}

QByteArray FileInvariant::fingerprint(const QString& path, bool* isLink)
{
    const QFileInfo info(path);
    *isLink = info.isSymLink();
    if (*isLink)
        return QByteArray("link:") + QFile::encodeName(info.symLinkTarget());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("unreadable:") + QFile::encodeName(path);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

bool FileInvariant::isAllowedPlace(const QString& path) const
{
    for (const QString& place : m_places) {
        if (path == place || path.startsWith(place + QLatin1Char('/')))
            return true;
    }
    const QString trash = m_home.dataRoot() + QStringLiteral("/Trash/");
    return m_trashAllowed && path.startsWith(trash);
}

bool FileInvariant::isIgnored(const QString& path) const
{
    // The program's own state: the stacks file, settings, caches, sockets, the Trash's index.
    static const QStringList own = {QStringLiteral("/.local/share/Tidorama"),
                                    QStringLiteral("/.local/share/Trash"),
                                    QStringLiteral("/.local/state"),
                                    QStringLiteral("/.config"),
                                    QStringLiteral("/.cache"),
                                    QStringLiteral("/.run")};
    for (const QString& folder : own) {
        const QString root = m_home.home() + folder;
        if (path == root || path.startsWith(root + QLatin1Char('/')))
            return true;
    }
    // GIO moves a trashed file's desktop metadata (icon position, emblems) along with it.
    const QString metadata = m_home.home() + QStringLiteral("/.local/share/gvfs-metadata");
    return m_trashAllowed && (path == metadata || path.startsWith(metadata + QLatin1Char('/')));
}

QHash<QString, QString> FileInvariant::scanOthers() const
{
    QHash<QString, QString> found;
    QDirIterator it(m_home.home(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (isAllowedPlace(path) || isIgnored(path))
            continue;
        const QFileInfo info = it.fileInfo();
        if (info.isDir() && !info.isSymLink()) {
            found.insert(path, QStringLiteral("folder"));
            continue;
        }
        bool isLink = false;
        found.insert(path, QString::fromLatin1(fingerprint(path, &isLink).toHex()));
    }
    return found;
}

QHash<QByteArray, QStringList> FileInvariant::scanPlaces() const
{
    QStringList roots = m_places;
    if (m_trashAllowed)
        roots.append(m_home.trashFiles());
    QHash<QByteArray, QStringList> found;
    for (const QString& root : std::as_const(roots)) {
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo info = it.fileInfo();
            if (info.isDir() && !info.isSymLink())
                continue;
            // A place inside another (the storage folder on the Desktop) is scanned once.
            bool nested = false;
            for (const QString& other : std::as_const(roots)) {
                if (other != root && other.startsWith(root + QLatin1Char('/')) &&
                    path.startsWith(other + QLatin1Char('/')))
                    nested = true;
            }
            if (nested)
                continue;
            bool isLink = false;
            const QByteArray key = fingerprint(path, &isLink);
            if (m_tracked.contains(key))
                found[key].append(path);
        }
    }
    return found;
}

QString FileInvariant::locate(const QString& originalPath) const
{
    return locations().value(originalPath);
}

QHash<QString, QString> FileInvariant::locations() const
{
    const QHash<QByteArray, QStringList> found = scanPlaces();
    QHash<QString, QString> where;
    for (auto it = m_tracked.cbegin(); it != m_tracked.cend(); ++it) {
        const QStringList paths = found.value(it.key());
        if (paths.size() == 1)
            where.insert(it->originalPath, paths.first());
    }
    return where;
}

QStringList FileInvariant::violations() const
{
    QStringList broken;
    const QHash<QByteArray, QStringList> found = scanPlaces();
    for (auto it = m_tracked.cbegin(); it != m_tracked.cend(); ++it) {
        const QStringList where = found.value(it.key());
        if (where.isEmpty())
            broken.append(QStringLiteral("lost: %1").arg(it->originalPath));
        else if (where.size() > 1)
            broken.append(QStringLiteral("copied: %1 is at %2")
                              .arg(it->originalPath, where.join(QStringLiteral(", "))));
        else if (where.first().startsWith(m_home.trashFiles() + QLatin1Char('/'))) {
            // A file inside a trashed folder is described by the folder's entry.
            const QString name =
                where.first().mid(m_home.trashFiles().size() + 1).section(QLatin1Char('/'), 0, 0);
            const QString info = m_home.dataRoot() + QStringLiteral("/Trash/info/") + name +
                                 QStringLiteral(".trashinfo");
            const QByteArray text = TempHome::read(info);
            if (!text.startsWith("[Trash Info]\n") || !text.contains("\nPath=") ||
                !text.contains("\nDeletionDate="))
                broken.append(QStringLiteral("no valid trash info for %1").arg(where.first()));
        }
    }
    const QHash<QString, QString> now = scanOthers();
    for (auto it = m_others.cbegin(); it != m_others.cend(); ++it) {
        if (!now.contains(it.key()))
            broken.append(QStringLiteral("removed outside the allowed places: %1").arg(it.key()));
        else if (now.value(it.key()) != it.value())
            broken.append(QStringLiteral("changed outside the allowed places: %1").arg(it.key()));
    }
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (!m_others.contains(it.key()))
            broken.append(QStringLiteral("created outside the allowed places: %1").arg(it.key()));
    }
    return broken;
}
