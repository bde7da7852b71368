#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where the icons of a spread stack go when they are laid out in a grid next to its window.
// Everything is in Desktop coordinates (top-left origin, y downward): the window's frame, the
// usable area of its screen and the rectangles to keep clear (other icons, other windows).
//
// Cells are 100 × 110 points and an icon sits in the middle of its cell. The grid keeps a
// margin of 2 % of the area's width from the area's edges, from the window and from every
// obstacle. Column counts are tried from one up; for each, the corners next to the window are
// tried in this order, and the first grid that fits and is clear is taken:
//   1. right of the window: top edges aligned, bottom edges aligned, then moved up or down
//      just enough to stay on the screen;
//   2. left of the window, the same three;
//   3. below the window: left edges aligned, right edges aligned, then moved sideways onto
//      the screen;
//   4. above the window, the same three.
// Right and left come first because a Desktop reads in columns and most windows stand near an
// edge; the screen-clamped variants keep a window near the top or bottom from losing its side.
// When nothing is clear the grid takes the most columns at the top left of the area.
namespace GridLayout {

inline constexpr qreal cellWidth = 100;
inline constexpr qreal cellHeight = 110;

// One icon centre per icon, row by row.
QList<QPointF> positions(int count, const QRectF& window, const QRectF& area,
                         const QList<QRectF>& obstacles);
// The corners tried for a grid of this size, in order (before the area and obstacle tests).
QList<QPointF> candidateCorners(const QRectF& window, QSizeF grid, const QRectF& inner,
                                qreal margin);
// The clearance around icons and windows, and from the area's edges.
qreal margin(const QRectF& area);

} // namespace GridLayout
