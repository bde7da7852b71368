#include "desktop/ThumbnailLoader.h"

#include "desktop/Thumbnails.h"
#include "platform/Scheduler.h"
#include "platform/ThumbnailService.h"

#include <QFileInfo>
#include <QUrl>

ThumbnailLoader::ThumbnailLoader(Scheduler& scheduler, ThumbnailService* service, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_service(service)
{}

void ThumbnailLoader::load(const QString& path, QSize pixels, Apply apply)
{
    read(path, pixels, std::move(apply), true);
}

void ThumbnailLoader::read(const QString& path, QSize pixels, Apply apply, bool askIfMissing)
{
    const quint64 round = m_round;
    m_scheduler.inBackground(
        this,
        [this, path, pixels, round, apply = std::move(apply), askIfMissing]() -> Scheduler::Task {
            const QByteArray uri =
                m_service ? m_service->cacheUri(path)
                          : QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
            QImage image = Thumbnails::thumbnail(path, uri, pixels);
            // Back on the GUI thread; the scheduler drops this once the loader is gone.
            return [this, path, pixels, round, apply, askIfMissing, image = std::move(image)] {
                if (round != m_round)
                    return;
                if (!image.isNull()) {
                    apply(image);
                } else if (askIfMissing && m_service) {
                    m_service->request({path}, Thumbnails::flavourFor(pixels), this,
                                       [this, pixels, round, apply](const QString& made) {
                                           if (round == m_round)
                                               read(made, pixels, apply, false);
                                       });
                }
            };
        });
}
