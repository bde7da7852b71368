#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

struct xcb_connection_t;
class QSocketNotifier;

// A connection of our own to the display, for the events we select on windows that are not
// ours (the root, selections): Qt's connection keeps its own event masks, which ours would
// otherwise replace. Its events are read on the GUI thread when the socket wakes it; nothing
// polls.
class XcbEventConnection : public QObject
{
    Q_OBJECT

public:
    // Each handler sees every event; the argument is an xcb_generic_event_t, typed as void
    // so that the xcb headers stay out of this header.
    using Handler = std::function<void(const void* event)>;

    // Null when the display cannot be reached.
    static std::unique_ptr<XcbEventConnection> open();
    ~XcbEventConnection() override;

    xcb_connection_t* connection() const { return m_connection; }
    quint32 root() const { return m_root; }

    void addHandler(Handler handler);
    // Handles every event already received. A round trip on this connection can read events
    // off the socket into xcb's queue, where the socket notifier no longer sees them, so call
    // this after one made outside a handler.
    void dispatch();

private:
    XcbEventConnection(xcb_connection_t* connection, quint32 root);

    xcb_connection_t* m_connection;
    quint32 m_root;
    QSocketNotifier* m_notifier = nullptr;
    std::vector<Handler> m_handlers;
    bool m_dispatching = false;
};
