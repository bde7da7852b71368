#include "platform/Bookmarks.h"

std::optional<Bookmarks::Renewal> Bookmarks::renew(const QByteArray& bookmark)
{
    std::optional<QString> path = resolve(bookmark);
    if (!path)
        return std::nullopt;
    std::optional<QByteArray> fresh = make(*path);
    return Renewal{std::move(*path), fresh ? *fresh : bookmark};
}

std::optional<QByteArray> Bookmarks::moved(const QByteArray&, const QString& to)
{
    return make(to);
}

QList<std::optional<QByteArray>> Bookmarks::makeAll(const QStringList& paths)
{
    return eachOf(paths, [this](const QString& path) { return make(path); });
}

QList<std::optional<QString>> Bookmarks::resolveAll(const QList<QByteArray>& bookmarks)
{
    return eachOf(bookmarks, [this](const QByteArray& bookmark) { return resolve(bookmark); });
}

QList<std::optional<Bookmarks::Renewal>> Bookmarks::renewAll(const QList<QByteArray>& bookmarks)
{
    return eachOf(bookmarks, [this](const QByteArray& bookmark) { return renew(bookmark); });
}
