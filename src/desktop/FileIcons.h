#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// The icon a file manager would show for a file, as an image of `size` points at `scale`
// device pixels per point. Never empty: without an icon theme a plain page (or folder) is
// drawn.
namespace FileIcons {

QImage iconImage(const QString& path, QSize size, qreal scale);

} // namespace FileIcons
