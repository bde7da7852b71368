#include "desktop/ScreenCoordinates.h"

#include "platform/Screens.h"

namespace ScreenCoordinates {

QPointF fromGlobal(const QPointF& global, const Screens& screens)
{
    return {global.x(), maxY(screens.firstFrame()) - global.y()};
}

QPointF toGlobal(const QPointF& point, const Screens& screens)
{
    // The same reflection both ways.
    return fromGlobal(point, screens);
}

QPointF globalTopLeft(const QPointF& origin, const QSizeF& size, const Screens& screens)
{
    return toGlobal({origin.x(), origin.y() + size.height()}, screens);
}

} // namespace ScreenCoordinates
