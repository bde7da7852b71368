#include "platform/Bookmarks.h"

std::optional<Bookmarks::Renewal> Bookmarks::renew(const QByteArray& bookmark)
{
    std::optional<QString> path = resolve(bookmark);
    if (!path)
        return std::nullopt;
    std::optional<QByteArray> fresh = make(*path);
    return Renewal{std::move(*path), fresh ? std::move(*fresh) : bookmark};
}

std::optional<QByteArray> Bookmarks::moved(const QByteArray&, const QString& to)
{
    return make(to);
}

QList<std::optional<QByteArray>> Bookmarks::makeAll(const QStringList& paths)
{
    QList<std::optional<QByteArray>> made;
    made.reserve(paths.size());
    for (const QString& path : paths)
        made.append(make(path));
    return made;
}

QList<std::optional<QString>> Bookmarks::resolveAll(const QList<QByteArray>& bookmarks)
{
    QList<std::optional<QString>> paths;
    paths.reserve(bookmarks.size());
    for (const QByteArray& bookmark : bookmarks)
        paths.append(resolve(bookmark));
    return paths;
}

QList<std::optional<Bookmarks::Renewal>> Bookmarks::renewAll(const QList<QByteArray>& bookmarks)
{
    QList<std::optional<Renewal>> renewed;
    renewed.reserve(bookmarks.size());
    for (const QByteArray& bookmark : bookmarks)
        renewed.append(renew(bookmark));
    return renewed;
}
