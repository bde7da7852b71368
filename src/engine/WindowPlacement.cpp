#include "engine/WindowPlacement.h"

#include "engine/DesktopCoordinates.h"
#include "engine/StackWindowPort.h"

#include <algorithm>
#include <cmath>

namespace WindowPlacement {

namespace {

constexpr qreal width = StackWindowPort::width;
constexpr qreal height = StackWindowPort::height;

// The visible frame of the screen that holds the window's centre, else of the first screen;
// an empty rectangle without screens.
QRectF areaFor(QPointF origin, const QList<ScreenGeometry>& screens)
{
    const QPointF centre = origin + QPointF(width / 2, height / 2);
    for (const ScreenGeometry& screen : screens) {
        if (screen.frame.contains(centre))
            return screen.visibleFrame;
    }
    return screens.isEmpty() ? QRectF() : screens.first().visibleFrame;
}

// Inside [low, high], unless that range is too narrow to hold anything.
qreal bounded(qreal value, qreal low, qreal high)
{
    return high < low ? value : std::clamp(value, low, high);
}

bool isFree(QPointF origin, const QList<QRectF>& taken)
{
    const QRectF frame = DesktopCoordinates::windowFrame(origin);
    const qreal allowed = coverAllowed * width * height;
    return std::none_of(taken.cbegin(), taken.cend(), [&](const QRectF& other) {
        const QRectF common = frame.intersected(other);
        return common.width() * common.height() > allowed;
    });
}

} // namespace

QPointF freeOrigin(QPointF wanted, const QList<QRectF>& taken, const QList<ScreenGeometry>& screens)
{
    const QRectF area = areaFor(wanted, screens);
    const bool bounds = !area.isEmpty();
    const qreal lowX = minX(area);
    const qreal highX = maxX(area) - width;
    const qreal lowY = minY(area);
    const qreal highY = maxY(area) - height;
    const QPointF start =
        bounds ? QPointF(bounded(wanted.x(), lowX, highX), bounded(wanted.y(), lowY, highY))
               : wanted;
    if (isFree(start, taken))
        return start;

    // A free place, if there is one, can be slid left or down until it meets a window or an
    // edge: the places beside the windows and the edges are all that need looking at.
    QList<qreal> xs{start.x()};
    QList<qreal> ys{start.y()};
    if (bounds) {
        xs << lowX << highX;
        ys << lowY << highY;
    }
    for (const QRectF& other : taken) {
        xs << minX(other) - gap - width << maxX(other) + gap;
        ys << minY(other) - gap - height << maxY(other) + gap;
    }
    const auto inside = [&](QPointF origin) {
        return !bounds || (origin.x() >= lowX && origin.x() <= highX && origin.y() >= lowY &&
                           origin.y() <= highY);
    };
    QList<QPointF> places;
    for (const qreal x : std::as_const(xs)) {
        for (const qreal y : std::as_const(ys)) {
            if (inside(QPointF(x, y)))
                places.append(QPointF(x, y));
        }
    }
    const auto distance = [&](QPointF origin) {
        const QPointF apart = origin - start;
        return std::hypot(apart.x(), apart.y());
    };
    // Nearest first; the order of the candidates breaks ties, so the answer is the same each
    // time.
    std::stable_sort(places.begin(), places.end(),
                     [&](QPointF a, QPointF b) { return distance(a) < distance(b); });
    for (const QPointF& place : std::as_const(places)) {
        if (isFree(place, taken))
            return place;
    }
    return start;
}

} // namespace WindowPlacement
