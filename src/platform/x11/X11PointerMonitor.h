#pragma once

#include "platform/DesktopPlatform.h"

#include <QObject>
#include <QTimer>

class XcbEventConnection;

// The global mouse: XInput 2 raw button events on the root window (no grab, so every program
// keeps its input), with the position and modifiers asked of the server, since raw events
// carry neither. While the left button is held, motion and key events are selected as well
// and the pointer is also asked on a short timer, because absolute motion injected with XTEST
// produces no raw motion. With no button held nothing but button events is selected and
// nothing polls.
class X11PointerMonitor : public QObject
{
    Q_OBJECT

public:
    X11PointerMonitor(XcbEventConnection& connection, QObject* parent = nullptr);

    // False when the server lacks XInput 2.2.
    bool isAvailable();
    void start();
    QPoint position() const;
    bool isPolling() const { return m_poll.isActive(); }

Q_SIGNALS:
    void pointerEvent(const PointerEvent& event);

private:
    struct Pointer
    {
        QPoint position;
        Qt::KeyboardModifiers modifiers;
        bool leftHeld = false;
        bool valid = false;
    };

    void handle(const void* event);
    void pressed(quint32 button);
    void released(quint32 button);
    // Reports a move and a modifier change since the last report.
    void followDrag();
    void poll();
    void select(bool dragging);
    Pointer query() const;
    void emitEvent(PointerEvent::Kind kind, Qt::MouseButton button, const Pointer& pointer);

    XcbEventConnection& m_connection;
    quint8 m_opcode = 0;
    quint16 m_altMask = 0;
    bool m_checked = false;
    bool m_available = false;
    bool m_started = false;
    bool m_leftDown = false;
    Pointer m_last;
    int m_pollsWithoutButton = 0;
    QTimer m_poll;
};
