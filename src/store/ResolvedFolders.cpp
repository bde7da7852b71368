#include "store/ResolvedFolders.h"

#include "platform/FileSystem.h"

#include <QDir>

namespace {

// An absolute path that QDir::cleanPath would give back as it is: no empty, "." or ".."
// component and no slash at the end. Checking is much cheaper than cleaning.
bool isClean(QStringView path)
{
    if (path.size() < 2 || path.front() != QLatin1Char('/') || path.back() == QLatin1Char('/'))
        return false;
    qsizetype start = 1;
    while (start <= path.size()) {
        qsizetype end = path.indexOf(QLatin1Char('/'), start);
        if (end < 0)
            end = path.size();
        const QStringView part = path.sliced(start, end - start);
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

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
    const QString clean = isClean(path) ? path : QDir::cleanPath(path);
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
    if (!isClean(path))
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
