#include "desktop/ScreenCoordinates.h"

#include "platform/Screens.h"

#include <QGuiApplication>
#include <QScreen>

namespace ScreenCoordinates {

namespace {
// Where Qt puts the primary screen, which is the origin of the screen coordinates (as in
// QtScreens); (0, 0) unless the primary stands right of or below another screen.
QPointF primaryOrigin()
{
    // A program without a GUI application (the recognisers' tests) has no screens.
    const QScreen* primary = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                 ? QGuiApplication::primaryScreen()
                                 : nullptr;
    return primary ? QPointF(primary->geometry().topLeft()) : QPointF();
}
} // namespace

QPointF fromGlobal(const QPointF& global, const Screens& screens)
{
    const QPointF relative = global - primaryOrigin();
    return {relative.x(), maxY(screens.firstFrame()) - relative.y()};
}

QPointF toGlobal(const QPointF& point, const Screens& screens)
{
    return QPointF(point.x(), maxY(screens.firstFrame()) - point.y()) + primaryOrigin();
}

QPointF globalTopLeft(const QPointF& origin, const QSizeF& size, const Screens& screens)
{
    return toGlobal({origin.x(), origin.y() + size.height()}, screens);
}

} // namespace ScreenCoordinates
