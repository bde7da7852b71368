#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <functional>

class Scheduler;

// Reads thumbnails on a worker thread and hands each one back on the GUI thread, unless the
// loader is gone by then or a newer round has begun: a late answer never overwrites a newer
// picture.
class ThumbnailLoader : public QObject
{
    Q_OBJECT

public:
    using Apply = std::function<void(const QImage& image)>;

    ThumbnailLoader(Scheduler& scheduler, QObject* parent);

    // Drops every answer still on its way.
    void startRound() { ++m_round; }
    // Loads the thumbnail of `path` fitting `pixels`; `apply` gets it when there is one.
    void load(const QString& path, QSize pixels, Apply apply);

private:
    Scheduler& m_scheduler;
    quint64 m_round = 0;
};
