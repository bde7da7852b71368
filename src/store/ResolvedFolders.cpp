#include "store/ResolvedFolders.h"

#include "platform/FileSystem.h"

#include <QDir>

QString ResolvedFolders::parentOf(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
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
