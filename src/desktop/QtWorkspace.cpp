#include "desktop/QtWorkspace.h"

#include <QDesktopServices>
#include <QUrl>

bool QtWorkspace::openFolder(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
