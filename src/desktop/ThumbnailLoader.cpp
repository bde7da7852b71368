#include "desktop/ThumbnailLoader.h"

#include "desktop/Thumbnails.h"
#include "platform/Scheduler.h"

ThumbnailLoader::ThumbnailLoader(Scheduler& scheduler, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
{}

void ThumbnailLoader::load(const QString& path, QSize pixels, Apply apply)
{
    const quint64 round = m_round;
    m_scheduler.inBackground(
        this, [this, path, pixels, round, apply = std::move(apply)]() -> Scheduler::Task {
            QImage image = Thumbnails::thumbnail(path, pixels);
            if (image.isNull())
                return nullptr;
            // Back on the GUI thread; the scheduler drops this once the loader is gone.
            return [this, round, apply, image = std::move(image)] {
                if (round == m_round)
                    apply(image);
            };
        });
}
