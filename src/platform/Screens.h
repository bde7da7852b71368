#pragma once

#include <QList>
#include <QRectF>

// One screen, in the coordinates stack windows are recorded in: origin at the lower left of the
// first screen, y upward. The window layer converts to and from the toolkit's top-left
// coordinates; everything above it uses these.
struct ScreenGeometry
{
    QRectF frame;
    // The frame without panels and docks.
    QRectF visibleFrame;
};

// QRectF reads its y as the top edge; in these coordinates y is the bottom edge, so name the
// edges explicitly.
inline qreal minX(const QRectF& r)
{
    return r.x();
}
inline qreal maxX(const QRectF& r)
{
    return r.x() + r.width();
}
inline qreal minY(const QRectF& r)
{
    return r.y();
}
inline qreal maxY(const QRectF& r)
{
    return r.y() + r.height();
}

class Screens
{
public:
    virtual ~Screens() = default;

    // The first entry is the main screen.
    virtual QList<ScreenGeometry> screens() const = 0;

    // The first screen's frame and visible frame; zero rectangles when there is no screen.
    QRectF firstFrame() const;
    QRectF firstVisibleFrame() const;
};
