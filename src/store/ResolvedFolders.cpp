#include "store/ResolvedFolders.h"

#include "platform/CleanPaths.h"
#include "platform/FileSystem.h"

#include <QDir>

QString ResolvedFolders::parentOf(const QString& path)
{
    // Files of one folder mostly come in a row: a plain name in the last folder needs no more.
    const qsizetype last = path.lastIndexOf(QLatin1Char('/'));
    if (!m_lastFolder.isEmpty() && last == m_lastFolder.size() &&
        QStringView(path).first(last) == m_lastFolder) {
        const QStringView name = QStringView(path).sliced(last + 1);
        if (!name.isEmpty() && name != QLatin1String(".") && name != QLatin1String(".."))
            return m_lastResolved;
    }
    const QString clean =
        CleanPaths::isCleanAbsolute(QStringView(path)) ? path : QDir::cleanPath(path);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    // Relative and root-level paths are rare: leave them to the file system.
    if (slash <= 0)
        return m_fs.resolvedParent(path);
    m_lastFolder = clean.left(slash);
    m_lastResolved = cleanFolder(m_lastFolder);
    return m_lastResolved;
}

QString ResolvedFolders::folder(const QString& path)
{
    if (!CleanPaths::isCleanAbsolute(QStringView(path)))
        return m_fs.resolved(path);
    return cleanFolder(path);
}

QString ResolvedFolders::cleanFolder(const QString& path)
{
    if (const auto found = m_resolved.constFind(path); found != m_resolved.cend())
        return *found;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QString resolved;
    if (slash <= 0 || m_fs.isSymbolicLink(path)) {
        resolved = m_fs.resolved(path);
    } else {
        // Not a link (or not there, or not reachable): what realpath would make of it is its
        // resolved parent and its own name.
        resolved = cleanFolder(path.left(slash));
        if (!resolved.endsWith(QLatin1Char('/')))
            resolved += QLatin1Char('/');
        resolved += QStringView(path).sliced(slash + 1);
    }
    m_resolved.insert(path, resolved);
    return resolved;
}
