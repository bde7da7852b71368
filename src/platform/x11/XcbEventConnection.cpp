#include "platform/x11/XcbEventConnection.h"

#include "platform/PlatformLog.h"
#include "platform/x11/XcbSupport.h"

#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <cstdlib>

std::unique_ptr<XcbEventConnection> XcbEventConnection::open()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<XcbEventConnection>(
        new XcbEventConnection(connection, Xcb::rootWindow(connection)));
}

XcbEventConnection::XcbEventConnection(xcb_connection_t* connection, quint32 root)
    : m_connection(connection)
    , m_root(root)
    , m_notifier(
          new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &XcbEventConnection::dispatch);
}

XcbEventConnection::~XcbEventConnection()
{
    delete m_notifier;
    xcb_disconnect(m_connection);
}

void XcbEventConnection::addHandler(Handler handler)
{
    m_handlers.push_back(std::move(handler));
}

void XcbEventConnection::dispatch()
{
    // A handler's own round trips read further events into the queue; the loop below takes
    // those too, so a nested call has nothing left to do.
    if (m_dispatching)
        return;
    m_dispatching = true;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        for (const Handler& handler : m_handlers)
            handler(event);
        std::free(event);
    }
    m_dispatching = false;
    if (xcb_connection_has_error(m_connection)) {
        // The display went away: stop listening instead of spinning on a dead socket.
        qCWarning(lcPlatform) << "Tidorama: lost the connection to the X display";
        m_notifier->setEnabled(false);
    }
}
