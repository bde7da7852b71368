#include "engine/DesktopCoordinates.h"

#include "engine/StackWindowPort.h"
#include "platform/Screens.h"

namespace DesktopCoordinates {

namespace {
qreal top(const Screens& screens)
{
    return maxY(screens.firstFrame());
}
const QPointF centreOffset(StackWindowPort::width / 2, StackWindowPort::height / 2);
} // namespace

QPointF toDesktop(const Screens& screens, QPointF screenPoint)
{
    return QPointF(screenPoint.x(), top(screens) - screenPoint.y());
}

QPointF toScreen(const Screens& screens, QPointF desktopPoint)
{
    return QPointF(desktopPoint.x(), top(screens) - desktopPoint.y());
}

QRectF toDesktop(const Screens& screens, const QRectF& screenRect)
{
    return QRectF(minX(screenRect), top(screens) - maxY(screenRect), screenRect.width(),
                  screenRect.height());
}

QRectF windowFrame(QPointF windowOrigin)
{
    return QRectF(windowOrigin, QSizeF(StackWindowPort::width, StackWindowPort::height));
}

QPointF windowCentreOnDesktop(const Screens& screens, QPointF windowOrigin)
{
    return toDesktop(screens, windowOrigin + centreOffset);
}

QPointF windowOriginCentredOn(const Screens& screens, QPointF desktopPoint)
{
    return toScreen(screens, desktopPoint) - centreOffset;
}

} // namespace DesktopCoordinates
