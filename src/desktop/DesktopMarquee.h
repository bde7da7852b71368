#pragma once

#include "platform/DesktopPlatform.h"

#include <QObject>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <optional>

class Screens;

// Watches the mouse in other programs for the stack selection: every left or right press
// outside our own windows is reported with whether it landed on the bare Desktop and whether it was
// additive (Shift or Control held); a left drag that began on the Desktop reports the rectangle
// from the press point to the pointer, unless it turns out to drag icons. Points and rectangles are
// in screen coordinates (lower-left origin, y upward).
class DesktopMarquee : public QObject
{
    Q_OBJECT

public:
    using MouseDownCallback = std::function<void(bool onDesktop, bool additive)>;
    using ChangeCallback = std::function<void(const QRectF& rectangle)>;

    DesktopMarquee(DesktopPlatform& platform, const Screens& screens, QObject* parent = nullptr);

    void setOnMouseDown(MouseDownCallback callback) { m_onMouseDown = std::move(callback); }
    void setOnChange(ChangeCallback callback) { m_onChange = std::move(callback); }

    // Starts listening to the platform's pointer events.
    void start();
    void handle(const PointerEvent& event);

    std::optional<QPointF> anchor() const { return m_anchor; }

private:
    void press(const PointerEvent& event);
    void drag(const QPointF& pointer);

    DesktopPlatform& m_platform;
    const Screens& m_screens;
    MouseDownCallback m_onMouseDown;
    ChangeCallback m_onChange;
    bool m_started = false;
    std::optional<QPointF> m_anchor;
    int m_dragChangeCount = 0;
};
