#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <functional>

class Scheduler;
class ThumbnailService;

// Reads thumbnails on a worker thread and hands each one back on the GUI thread, unless the
// loader is gone by then or a newer round has begun: a late answer never overwrites a newer
// picture. A file with neither a cached thumbnail nor a readable image is handed to the
// desktop's thumbnailer, and read again once it has made one.
class ThumbnailLoader : public QObject
{
    Q_OBJECT

public:
    using Apply = std::function<void(const QImage& image)>;

    // `service`: the desktop's thumbnail cache and thumbnailer; without one the cache is looked
    // up by Qt's spelling of the URI and nothing is made.
    ThumbnailLoader(Scheduler& scheduler, ThumbnailService* service, QObject* parent);

    // Drops every answer still on its way.
    void startRound() { ++m_round; }
    // Loads the thumbnail of `path` fitting `pixels`; `apply` gets it when there is one.
    void load(const QString& path, QSize pixels, Apply apply);

private:
    void read(const QString& path, QSize pixels, Apply apply, bool askIfMissing);

    Scheduler& m_scheduler;
    ThumbnailService* m_service;
    quint64 m_round = 0;
};
