#pragma once

#include "platform/Screens.h"

#include <QList>
#include <QPointF>
#include <QRectF>

// Where a new stack window goes so that it neither hides another stack nor leaves the screen.
// Geometry in the coordinates of the Screens port (lower-left origin, y upward).
namespace WindowPlacement {

// Space kept between a moved window and the windows it is placed beside, as between the
// auto-stack slots.
constexpr qreal gap = 10;
// The share of a window's area that another window may cover before the place counts as taken:
// a sliver, never a caption.
constexpr qreal coverAllowed = 0.05;

// The origin for a new stack window that should stand at `wanted`, among the windows at
// `taken`: `wanted` itself, moved inside the visible frame of its screen, when that place is
// free; otherwise the nearest free place beside a window or an edge of that frame. When no
// place on the screen is free it stays where it was asked for, inside the frame.
QPointF freeOrigin(QPointF wanted, const QList<QRectF>& taken,
                   const QList<ScreenGeometry>& screens);

} // namespace WindowPlacement
