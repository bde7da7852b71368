#include "platform/Paths.h"

QString Paths::displayPath(const QString& path) const
{
    const QString root = home();
    if (root.isEmpty() || root == QLatin1String("/"))
        return path;
    if (path == root)
        return QStringLiteral("~");
    if (path.startsWith(root + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(root.size());
    return path;
}
