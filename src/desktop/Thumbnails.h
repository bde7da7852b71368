#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Thumbnails of files, as the freedesktop thumbnail cache has them or read from the file
// itself. Safe on a worker thread; reads only, never writes to the cache.
namespace Thumbnails {

// The cache file a thumbnail of `path` would have in `flavour` ("normal", "large", …).
QString cachePath(const QString& path, const QString& flavour);
// The image for `path` fitting `pixels` (aspect ratio kept, never enlarged): the cached
// thumbnail when one is there and still matches the file's modification time, else the file
// read as an image, scaled while reading. Null when neither gives an image.
QImage thumbnail(const QString& path, QSize pixels);

} // namespace Thumbnails
