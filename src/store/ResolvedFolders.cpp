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
    const QString clean = isClean(path) ? path : QDir::cleanPath(path);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    // Relative and root-level paths are rare: leave them to the file system.
    if (slash <= 0)
        return m_fs.resolvedParent(path);
    const QString folder = clean.left(slash);
    auto found = m_resolved.constFind(folder);
    if (found == m_resolved.cend())
        found = m_resolved.insert(folder, m_fs.resolved(folder));
    return *found;
}
