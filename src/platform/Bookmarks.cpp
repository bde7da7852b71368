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
