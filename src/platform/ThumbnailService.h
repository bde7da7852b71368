#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// The desktop's thumbnails: the name its shared cache gives a file, and the service that makes
// the thumbnails the cache lacks (PDFs, videos, office files: what the program can't read as an
// image itself).
class ThumbnailService
{
public:
    virtual ~ThumbnailService() = default;

    // The file's URI as the cache spells it in its key and in the thumbnail. Safe on any thread.
    virtual QByteArray cacheUri(const QString& path) const = 0;
    // Asks for thumbnails of `paths` in `flavour` ("normal", "large", …). `made` gets each file
    // whose thumbnail is in the cache now, on the GUI thread, while `context` lives. Nothing
    // comes where no service runs or it can't make one.
    virtual void request(const QStringList& paths, const QString& flavour, QObject* context,
                         std::function<void(const QString& path)> made) = 0;
};
