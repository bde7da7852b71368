#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

QString FileSystem::resolvedParent(const QString& path) const
{
    return resolved(QFileInfo(QDir::cleanPath(path)).path());
}

QList<EntryKind> FileSystem::kinds(const QStringList& paths) const
{
    QList<EntryKind> found;
    found.reserve(paths.size());
    for (const QString& path : paths)
        found.append(kind(path));
    return found;
}
