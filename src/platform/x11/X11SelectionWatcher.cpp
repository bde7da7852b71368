#include "platform/x11/X11SelectionWatcher.h"

#include "platform/PlatformLog.h"
#include "platform/x11/UriList.h"
#include "platform/x11/XcbEventConnection.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>

X11SelectionWatcher::X11SelectionWatcher(XcbEventConnection& connection, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
{}

X11SelectionWatcher::~X11SelectionWatcher()
{
    if (m_window)
        xcb_destroy_window(m_connection.connection(), m_window);
}

bool X11SelectionWatcher::start()
{
    xcb_connection_t* c = m_connection.connection();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!extension || !extension->present)
        return false;
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
    m_fixesEvent = extension->first_event;

    m_dnd = Xcb::atom(c, "XdndSelection");
    m_uriList = Xcb::atom(c, "text/uri-list");
    m_incr = Xcb::atom(c, "INCR");
    m_target = Xcb::atom(c, "TIDORA_DRAG_FILES");
    m_compositorSelection = Xcb::atom(
        c, QByteArray("_NET_WM_CM_S" + QByteArray::number(Xcb::defaultScreen())).constData());

    // An input-only window to receive the converted selections; property changes announce
    // the pieces of a long list.
    m_window = xcb_generate_id(c);
    const quint32 events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, 0, m_window, m_connection.root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    const quint32 ownerEvents = XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE;
    xcb_xfixes_select_selection_input(c, m_window, m_dnd, ownerEvents);
    xcb_xfixes_select_selection_input(c, m_window, m_compositorSelection, ownerEvents);

    auto* owner = xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, m_compositorSelection), nullptr);
    m_compositor = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);

    m_connection.addHandler([this](const void* event) { handle(event); });
    xcb_flush(c);
    m_connection.dispatch();
    return true;
}

void X11SelectionWatcher::handle(const void* raw)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    const quint8 type = event->response_type & 0x7f;
    if (type == m_fixesEvent + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto* notify = static_cast<const xcb_xfixes_selection_notify_event_t*>(raw);
        ownerChanged(notify->selection, notify->owner, notify->selection_timestamp);
    } else if (type == XCB_SELECTION_NOTIFY) {
        const auto* notify = static_cast<const xcb_selection_notify_event_t*>(raw);
        if (notify->requestor == m_window && notify->selection == m_dnd)
            converted(notify->property, notify->time);
    } else if (type == XCB_PROPERTY_NOTIFY) {
        const auto* notify = static_cast<const xcb_property_notify_event_t*>(raw);
        if (m_receivingIncrement && notify->window == m_window && notify->atom == m_target &&
            notify->state == XCB_PROPERTY_NEW_VALUE)
            incrementArrived();
    }
}

void X11SelectionWatcher::ownerChanged(quint32 selection, quint32 owner, quint32 timestamp)
{
    if (selection == m_compositorSelection) {
        const bool present = owner != XCB_WINDOW_NONE;
        if (present != m_compositor) {
            m_compositor = present;
            Q_EMIT compositorChanged(present);
        }
        return;
    }
    if (selection != m_dnd)
        return;
    // Whatever was known belongs to the drag before.
    ++m_changeCount;
    m_files.clear();
    m_pending = false;
    m_receivingIncrement = false;
    m_increment.clear();
    if (owner == XCB_WINDOW_NONE)
        return;
    xcb_connection_t* c = m_connection.connection();
    xcb_delete_property(c, m_window, m_target);
    xcb_convert_selection(c, m_window, m_dnd, m_uriList, m_target, timestamp);
    xcb_flush(c);
    m_pending = true;
    m_pendingTime = timestamp;
}

void X11SelectionWatcher::converted(quint32 property, quint32 time)
{
    // An answer to a conversion of an earlier owner is stale.
    if (!m_pending || time != m_pendingTime)
        return;
    if (property == XCB_ATOM_NONE) {
        // The owner would not give a file list: this drag carries no files.
        m_pending = false;
        return;
    }
    const Xcb::Property value =
        Xcb::property(m_connection.connection(), m_window, property, 0, true);
    if (value.type == m_incr) {
        // A long list comes in pieces, each announced by a new value of the property.
        m_receivingIncrement = true;
        m_increment.clear();
        xcb_flush(m_connection.connection());
        return;
    }
    finish(value.value);
}

void X11SelectionWatcher::incrementArrived()
{
    const Xcb::Property piece =
        Xcb::property(m_connection.connection(), m_window, m_target, 0, true);
    xcb_flush(m_connection.connection());
    if (!piece.value.isEmpty()) {
        m_increment += piece.value;
        return;
    }
    m_receivingIncrement = false;
    finish(std::exchange(m_increment, QByteArray()));
}

void X11SelectionWatcher::finish(const QByteArray& list)
{
    m_pending = false;
    m_files = localFilesOfUriList(list);
    Q_EMIT dragFilesChanged();
}
