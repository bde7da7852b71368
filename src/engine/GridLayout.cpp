#include "engine/GridLayout.h"

#include <algorithm>
#include <cmath>

namespace GridLayout {

namespace {

QList<QPointF> layout(int count, int columns, QPointF corner)
{
    QList<QPointF> centres;
    centres.reserve(count);
    for (int i = 0; i < count; ++i) {
        // Whole cells: the row is the quotient.
        const int row = i / columns;
        centres.append(corner + QPointF((i % columns) * cellWidth + cellWidth / 2,
                                        row * cellHeight + cellHeight / 2));
    }
    return centres;
}

// `value` moved into [low, high]; `low` when the range is empty.
qreal clamped(qreal value, qreal low, qreal high)
{
    return std::max(low, std::min(value, high));
}

} // namespace

qreal margin(const QRectF& area)
{
    return 0.02 * area.width();
}

QList<QPointF> candidateCorners(const QRectF& window, QSizeF grid, const QRectF& inner,
                                qreal margin)
{
    const qreal w = grid.width();
    const qreal h = grid.height();
    const QList<qreal> rows = {window.top(), window.bottom() - h,
                               clamped(window.top(), inner.top(), inner.bottom() - h)};
    const QList<qreal> columns = {window.left(), window.right() - w,
                                  clamped(window.left(), inner.left(), inner.right() - w)};
    QList<QPointF> corners;
    for (const qreal x : {window.right() + margin, window.left() - margin - w}) {
        for (const qreal y : rows)
            corners.append(QPointF(x, y));
    }
    for (const qreal y : {window.bottom() + margin, window.top() - margin - h}) {
        for (const qreal x : columns)
            corners.append(QPointF(x, y));
    }
    return corners;
}

QList<QPointF> positions(int count, const QRectF& window, const QRectF& area,
                         const QList<QRectF>& obstacles)
{
    if (count <= 0)
        return {};
    const qreal gap = margin(area);
    const QRectF inner = area.adjusted(gap, gap, -gap, -gap);
    const int mostColumns = std::max(1, std::min(count, int(std::floor(area.width() / cellWidth))));
    // The window's own side already keeps the margin; a hair less than the margin keeps
    // rounding from rejecting a grid that only touches.
    const qreal keep = std::max(0.0, gap - 0.01);
    const auto isClear = [&](const QRectF& grid) {
        const QRectF clearance = grid.adjusted(-keep, -keep, keep, keep);
        return !grid.intersects(window) &&
               std::none_of(obstacles.cbegin(), obstacles.cend(),
                            [&clearance](const QRectF& r) { return clearance.intersects(r); });
    };
    for (int columns = 1; columns <= mostColumns; ++columns) {
        const int rows = (count + columns - 1) / columns;
        const QSizeF size(columns * cellWidth, rows * cellHeight);
        if (size.width() > inner.width() || size.height() > inner.height())
            continue;
        for (const QPointF& corner : candidateCorners(window, size, inner, gap)) {
            const QRectF grid(corner, size);
            if (inner.contains(grid) && isClear(grid))
                return layout(count, columns, corner);
        }
    }
    return layout(count, mostColumns, inner.topLeft());
}

} // namespace GridLayout
