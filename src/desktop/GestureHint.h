#pragma once

#include <QPointF>

// The floating "Release to Stack" hint as the gesture drives it. Origins are the panel's
// lower-left corner in screen coordinates (lower-left origin, y upward).
class GestureHint
{
public:
    virtual ~GestureHint() = default;

    // Shows it at `origin`, fading in, without taking the focus from anyone.
    virtual void showAt(const QPointF& origin) = 0;
    virtual void moveTo(const QPointF& origin) = 0;
    virtual void hide() = 0;
};
