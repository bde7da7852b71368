#include "platform/x11/X11PointerMonitor.h"

#include "platform/x11/XcbEventConnection.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>

namespace {
// Fast enough to follow a hand, slow enough to cost nothing while a button is held.
constexpr int pollInterval = 20;
// A release we never saw (the device vanished mid-drag) ends the drag after this many polls.
constexpr int pollsBeforeLostRelease = 10;

constexpr quint32 leftButton = 1;
constexpr quint32 rightButton = 3;
} // namespace

X11PointerMonitor::X11PointerMonitor(XcbEventConnection& connection, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
{
    m_poll.setInterval(pollInterval);
    connect(&m_poll, &QTimer::timeout, this, &X11PointerMonitor::poll);
}

bool X11PointerMonitor::isAvailable()
{
    if (m_checked)
        return m_available;
    m_checked = true;
    xcb_connection_t* c = m_connection.connection();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
    if (!extension || !extension->present)
        return false;
    // The server answers raw events during other clients' grabs (a drag grabs the pointer)
    // only to clients that announced 2.1 or later.
    auto* version =
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr);
    const bool recent = version && (version->major_version > 2 ||
                                    (version->major_version == 2 && version->minor_version >= 2));
    std::free(version);
    if (!recent)
        return false;
    m_opcode = extension->major_opcode;
    m_available = true;
    return true;
}

void X11PointerMonitor::start()
{
    if (m_started || !isAvailable())
        return;
    m_started = true;
    m_altMask = Xcb::modifierMasks(m_connection.connection()).alt;
    m_connection.addHandler([this](const void* event) { handle(event); });
    select(false);
}

void X11PointerMonitor::select(bool dragging)
{
    struct
    {
        xcb_input_event_mask_t head;
        quint32 mask;
    } selection{};
    // All master devices, not all devices: a client's mask for "all devices" would stand
    // beside this one, and masters see every physical device (XTEST's included).
    selection.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
    selection.head.mask_len = 1;
    selection.mask =
        XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE;
    if (dragging)
        selection.mask |= XCB_INPUT_XI_EVENT_MASK_RAW_MOTION |
                          XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS |
                          XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE;
    xcb_input_xi_select_events(m_connection.connection(), m_connection.root(), 1, &selection.head);
    xcb_flush(m_connection.connection());
}

void X11PointerMonitor::handle(const void* raw)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
        return;
    const auto* generic = static_cast<const xcb_ge_generic_event_t*>(raw);
    if (generic->extension != m_opcode)
        return;
    const auto* input = static_cast<const xcb_input_raw_button_press_event_t*>(raw);
    switch (generic->event_type) {
    case XCB_INPUT_RAW_BUTTON_PRESS:
        pressed(input->detail);
        break;
    case XCB_INPUT_RAW_BUTTON_RELEASE:
        released(input->detail);
        break;
    case XCB_INPUT_RAW_MOTION:
    case XCB_INPUT_RAW_KEY_PRESS:
    case XCB_INPUT_RAW_KEY_RELEASE:
        if (m_leftDown)
            followDrag();
        break;
    default:
        break;
    }
}

void X11PointerMonitor::pressed(quint32 button)
{
    // Wheel steps are buttons 4 to 7; the middle button is no one's concern here.
    if (button != leftButton && button != rightButton)
        return;
    const Pointer pointer = query();
    if (button == leftButton && !m_leftDown) {
        m_leftDown = true;
        m_pollsWithoutButton = 0;
        select(true);
        m_poll.start();
    }
    m_last = pointer;
    emitEvent(PointerEvent::Kind::Press, button == leftButton ? Qt::LeftButton : Qt::RightButton,
              pointer);
}

void X11PointerMonitor::released(quint32 button)
{
    if (button != leftButton && button != rightButton)
        return;
    if (button == leftButton) {
        if (!m_leftDown)
            return;
        // A move that the last poll did not see yet belongs to the drag, before the release.
        followDrag();
        m_leftDown = false;
        m_poll.stop();
        select(false);
    }
    Pointer pointer = query();
    m_last = pointer;
    emitEvent(PointerEvent::Kind::Release, button == leftButton ? Qt::LeftButton : Qt::RightButton,
              pointer);
}

void X11PointerMonitor::followDrag()
{
    const Pointer now = query();
    if (!now.valid)
        return;
    const Pointer before = m_last;
    m_last = now;
    if (now.modifiers != before.modifiers)
        emitEvent(PointerEvent::Kind::ModifiersChanged, Qt::NoButton, now);
    if (now.position != before.position)
        emitEvent(PointerEvent::Kind::Drag, Qt::NoButton, now);
}

void X11PointerMonitor::poll()
{
    if (!m_leftDown) {
        m_poll.stop();
        return;
    }
    followDrag();
    m_pollsWithoutButton = m_last.leftHeld ? 0 : m_pollsWithoutButton + 1;
    if (m_pollsWithoutButton >= pollsBeforeLostRelease)
        released(leftButton);
    // The queries above may have read events into xcb's queue.
    m_connection.dispatch();
}

X11PointerMonitor::Pointer X11PointerMonitor::query() const
{
    Pointer pointer;
    xcb_connection_t* c = m_connection.connection();
    auto* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, m_connection.root()), nullptr);
    if (!reply)
        return pointer;
    pointer.valid = true;
    pointer.position = Xcb::fromNative(QPoint(reply->root_x, reply->root_y));
    const quint16 mask = reply->mask;
    if (mask & XCB_MOD_MASK_SHIFT)
        pointer.modifiers |= Qt::ShiftModifier;
    if (mask & XCB_MOD_MASK_CONTROL)
        pointer.modifiers |= Qt::ControlModifier;
    if (m_altMask && (mask & m_altMask))
        pointer.modifiers |= Qt::AltModifier;
    pointer.leftHeld = mask & XCB_BUTTON_MASK_1;
    std::free(reply);
    return pointer;
}

QPoint X11PointerMonitor::position() const
{
    const QPoint position = query().position;
    // Outside a handler the round trip may have queued events the socket no longer signals.
    QMetaObject::invokeMethod(&m_connection, &XcbEventConnection::dispatch, Qt::QueuedConnection);
    return position;
}

void X11PointerMonitor::emitEvent(PointerEvent::Kind kind, Qt::MouseButton button,
                                  const Pointer& pointer)
{
    PointerEvent event;
    event.kind = kind;
    event.button = button;
    event.position = pointer.position;
    event.modifiers = pointer.modifiers;
    Q_EMIT pointerEvent(event);
}
