#include "platform/linux/DesktopBackend.h"

BridgeResult<void> DesktopBackend::announce(const QList<NamedPosition>&)
{
    return {};
}

BridgeResult<QList<DesktopFile>> DesktopBackend::liveSelection()
{
    return unseenSelection();
}

BridgeError DesktopBackend::unseenSelection()
{
    return selectionFailure(QStringLiteral(
        "the program that draws it doesn't tell other programs. Select the files, right-click "
        "one of them and choose Stack with Tidora (File Manager Right-Click Menu\u2026 in "
        "Tidora's menu adds it where it is missing)"));
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
