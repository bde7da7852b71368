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

BridgeError DesktopBackend::readFailure(const QString& reason)
{
    return BridgeError{
        QStringLiteral("Tidora can't read the icon positions of your desktop: %1.").arg(reason), 0};
}

BridgeError DesktopBackend::placeFailure(const QString& reason)
{
    return BridgeError{
        QStringLiteral("Tidora can't place the icons on your desktop: %1.").arg(reason), 0};
}

BridgeError DesktopBackend::selectionFailure(const QString& reason)
{
    return BridgeError{
        QStringLiteral("Tidora can't see which icons are selected on your desktop: %1.")
            .arg(reason),
        0};
}

BridgeResult<void> DesktopBackend::strandedFailure(const QStringList& names)
{
    if (names.isEmpty())
        return {};
    return placeFailure(QStringLiteral("\u201c%1\u201d could not be put back after moving its "
                                       "icon; Tidora puts it back when it starts next")
                            .arg(names.join(QStringLiteral("\u201d, \u201c"))));
}
