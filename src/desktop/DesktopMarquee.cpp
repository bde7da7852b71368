#include "desktop/DesktopMarquee.h"

#include "desktop/ScreenCoordinates.h"

#include <cmath>

DesktopMarquee::DesktopMarquee(DesktopPlatform& platform, const Screens& screens, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_screens(screens)
{}

void DesktopMarquee::start()
{
    if (m_started)
        return;
    m_started = true;
    connect(&m_platform, &DesktopPlatform::pointerEvent, this, &DesktopMarquee::handle);
    m_platform.startPointerEvents();
}

void DesktopMarquee::handle(const PointerEvent& event)
{
    switch (event.kind) {
    case PointerEvent::Kind::Press:
        press(event);
        break;
    case PointerEvent::Kind::Drag:
        drag(ScreenCoordinates::fromGlobal(event.position, m_screens));
        break;
    case PointerEvent::Kind::Release:
        if (event.button == Qt::LeftButton)
            m_anchor.reset();
        break;
    case PointerEvent::Kind::ModifiersChanged:
        break;
    }
}

void DesktopMarquee::press(const PointerEvent& event)
{
    if (event.button != Qt::LeftButton && event.button != Qt::RightButton)
        return;
    // Our stack windows apply the click rules to their own presses; taken here as well, the
    // press would clear the selection they are building.
    if (event.ownWindow) {
        m_anchor.reset();
        return;
    }
    const bool onDesktop = m_platform.isOnDesktop(event.position);
    // Control stands in for the Command key.
    const bool additive = event.modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
    if (m_onMouseDown)
        m_onMouseDown(onDesktop, additive);
    if (onDesktop && event.button == Qt::LeftButton)
        m_anchor = ScreenCoordinates::fromGlobal(event.position, m_screens);
    else
        m_anchor.reset();
    m_dragChangeCount = m_platform.dragChangeCount();
}

void DesktopMarquee::drag(const QPointF& pointer)
{
    if (!m_anchor)
        return;
    // A drag that carries files moves icons; it draws no marquee.
    if (m_platform.dragChangeCount() != m_dragChangeCount && !m_platform.dragFiles().isEmpty()) {
        m_anchor.reset();
        return;
    }
    const QPointF anchor = *m_anchor;
    if (m_onChange)
        m_onChange(QRectF(std::min(pointer.x(), anchor.x()), std::min(pointer.y(), anchor.y()),
                          std::abs(pointer.x() - anchor.x()), std::abs(pointer.y() - anchor.y())));
}
