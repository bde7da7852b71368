#include "platform/linux/DesktopBackend.h"

BridgeResult<void> DesktopBackend::announce(const QList<NamedPosition>&)
{
    return {};
}

BridgeResult<QList<DesktopFile>> DesktopBackend::liveSelection()
{
    return QList<DesktopFile>();
}

bool DesktopBackend::canExpress(const QString&) const
{
    return true;
}
