#include "desktop/Thumbnails.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>

#include <cmath>

namespace {

struct Flavour
{
    const char* name;
    int size;
};
constexpr Flavour flavours[] = {
    {"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};

QImage fitted(QImage image, QSize pixels)
{
    if (image.isNull() || (image.width() <= pixels.width() && image.height() <= pixels.height()))
        return image;
    return image.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Whether a thumbnail's modification time is the file's: whole seconds, though some
// thumbnailers write the fraction too.
bool sameSecond(const QString& stored, qint64 seconds)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    return ok && qint64(std::floor(value)) == seconds;
}

QImage cached(const QByteArray& uri, const QFileInfo& info, QSize pixels)
{
    const int wanted = std::max(pixels.width(), pixels.height());
    const qint64 mtime = info.lastModified().toSecsSinceEpoch();
    // The smallest flavour that is big enough first, then the bigger ones, then the smaller.
    QList<const Flavour*> order;
    for (const Flavour& flavour : flavours) {
        if (flavour.size >= wanted)
            order.append(&flavour);
    }
    for (auto it = std::rbegin(flavours); it != std::rend(flavours); ++it) {
        if (it->size < wanted)
            order.append(&*it);
    }
    for (const Flavour* flavour : order) {
        QImageReader reader(Thumbnails::cachePath(uri, QLatin1String(flavour->name)), "png");
        if (!reader.canRead())
            continue;
        // The reader's own text() cuts keys at their first colon; the image's keeps them whole.
        QImage image = reader.read();
        // A thumbnail of an older version of the file, or of another file, is no answer.
        if (image.isNull() || !sameSecond(image.text(QStringLiteral("Thumb::MTime")), mtime) ||
            image.text(QStringLiteral("Thumb::URI")).toUtf8() != uri)
            continue;
        return fitted(std::move(image), pixels);
    }
    return {};
}

QImage readImage(const QString& path, QSize pixels)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > pixels.width() || size.height() > pixels.height()))
        reader.setScaledSize(size.scaled(pixels, Qt::KeepAspectRatio));
    return fitted(reader.read(), pixels);
}

} // namespace

namespace Thumbnails {

QString cachePath(const QByteArray& uri, const QString& flavour)
{
    const QByteArray hash = QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex();
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QLatin1String("/thumbnails/") + flavour + QLatin1Char('/') + QString::fromLatin1(hash) +
           QLatin1String(".png");
}

QString flavourFor(QSize pixels)
{
    return std::max(pixels.width(), pixels.height()) <= flavours[0].size
               ? QLatin1String(flavours[0].name)
               : QLatin1String(flavours[1].name);
}

QImage thumbnail(const QString& path, const QByteArray& uri, QSize pixels)
{
    const QFileInfo info(path);
    if (!info.isFile() || pixels.isEmpty())
        return {};
    QImage image = uri.isEmpty() ? QImage() : cached(uri, info, pixels);
    if (image.isNull())
        image = readImage(path, pixels);
    if (!image.isNull())
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

} // namespace Thumbnails
