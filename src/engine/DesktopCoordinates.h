#pragma once

#include <QPointF>
#include <QRectF>

class Screens;

// Conversions between the two coordinate systems the engine meets. Desktop icon positions
// (StackItem::position, DesktopFile::position) have their origin at the top left of the first
// screen, y downward; screen coordinates (window origins, Screens rectangles) have it at the
// lower left, y upward. Desktop y = maximum y of the first screen's frame − screen y.
namespace DesktopCoordinates {

// The screen point of a Desktop point and back (the same formula both ways).
QPointF toDesktop(const Screens& screens, QPointF screenPoint);
QPointF toScreen(const Screens& screens, QPointF desktopPoint);
// A screen rectangle as a Desktop rectangle (QRectF's own top-left reading then holds).
QRectF toDesktop(const Screens& screens, const QRectF& screenRect);

// The frame of a stack window at this origin, in screen coordinates.
QRectF windowFrame(QPointF windowOrigin);
// The centre of a stack window at this origin, as a Desktop point.
QPointF windowCentreOnDesktop(const Screens& screens, QPointF windowOrigin);
// The window origin that centres a stack window on this Desktop point.
QPointF windowOriginCentredOn(const Screens& screens, QPointF desktopPoint);

} // namespace DesktopCoordinates
