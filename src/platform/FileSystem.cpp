#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

QString FileSystem::resolvedParent(const QString& path) const
{
    return resolved(QFileInfo(QDir::cleanPath(path)).path());
}
