#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Thumbnails of files, as the freedesktop thumbnail cache has them or read from the file
// itself. Safe on a worker thread; reads only, never writes to the cache.
namespace Thumbnails {

// The cache file a thumbnail of the file with this URI (as the cache spells it) would have in
// `flavour` ("normal", "large", …).
QString cachePath(const QByteArray& uri, const QString& flavour);
// The flavour to ask a thumbnailer for: "normal" or "large" (which every one makes), the
// smaller when it fills `pixels`.
QString flavourFor(QSize pixels);
// The image for `path` (whose URI the cache spells `uri`) fitting `pixels` (aspect ratio
// kept, never enlarged): the cached thumbnail when one is there and still matches the file's
// modification time, else the file read as an image, scaled while reading. Null when neither
// gives an image.
QImage thumbnail(const QString& path, const QByteArray& uri, QSize pixels);

} // namespace Thumbnails
