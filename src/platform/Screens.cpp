#include "platform/Screens.h"

QRectF Screens::firstFrame() const
{
    const QList<ScreenGeometry> all = screens();
    return all.isEmpty() ? QRectF() : all.first().frame;
}

QRectF Screens::firstVisibleFrame() const
{
    const QList<ScreenGeometry> all = screens();
    return all.isEmpty() ? QRectF() : all.first().visibleFrame;
}
