#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

class Screens;

// Qt places windows and reports the pointer in global coordinates: origin at the top left of
// the virtual screen, y downward. Stack windows, the gesture and the marquee work in screen
// coordinates: origin at the lower left of the first (primary) screen, y upward (the Screens
// port), as QtScreens converts rectangles. Points go through here.
namespace ScreenCoordinates {

QPointF fromGlobal(const QPointF& global, const Screens& screens);
QPointF toGlobal(const QPointF& point, const Screens& screens);
// Where Qt puts the top-left corner of a window of `size` whose frame origin (its lower-left
// corner) is `origin` in screen coordinates.
QPointF globalTopLeft(const QPointF& origin, const QSizeF& size, const Screens& screens);

} // namespace ScreenCoordinates
