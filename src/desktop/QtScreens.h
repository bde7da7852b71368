#pragma once

#include "platform/Screens.h"

// The screens Qt knows, the primary first, in the lower-left-origin coordinates of the Screens
// port.
//
// Qt measures in device-independent pixels from the top left of the virtual desktop, y downward.
// The port measures from the lower left of the primary screen, y upward. With P the primary's
// Qt geometry, a Qt rectangle (x, y, w, h) becomes
//     (x − P.x, (P.y + P.h) − (y + h), w, h)
// and back again with x = x′ + P.x, y = (P.y + P.h) − (y′ + h). A 1280 × 800 primary with a
// 24-pixel panel at the top thus has the visible frame (0, 0, 1280, 776); a screen above it
// starts at y 800, one below it ends at y 0, one to its left has a negative x.
class QtScreens : public Screens
{
public:
    QList<ScreenGeometry> screens() const override;

    // Qt frames and available geometries, the primary first, in port coordinates.
    static QList<ScreenGeometry> fromToolkitScreens(const QList<ScreenGeometry>& toolkitScreens);

    // One rectangle between the two systems; `primary` is the primary screen's Qt geometry.
    static QRectF fromToolkit(const QRectF& rect, const QRectF& primary);
    static QRectF toToolkit(const QRectF& rect, const QRectF& primary);
    // The same against the current primary screen, for placing windows.
    static QRectF fromToolkit(const QRectF& rect);
    static QRectF toToolkit(const QRectF& rect);
};
