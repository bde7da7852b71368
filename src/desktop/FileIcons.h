#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// The icon a file manager would show for a file, as an image of `size` points at `scale`
// device pixels per point. Never empty: without an icon theme a plain page (or folder) is
// drawn.
namespace FileIcons {

// Makes the installed icon themes available: the XDG icon folders searched, and an installed
// theme as the fallback where the desktop names none. Called once at start-up; later calls do
// nothing.
void useInstalledTheme();

QImage iconImage(const QString& path, QSize size, qreal scale);

} // namespace FileIcons
