#include "platform/x11/X11Windows.h"

#include "platform/x11/XcbSupport.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {
constexpr quint32 allWorkspaces = 0xFFFFFFFF;
constexpr quint32 addState = 1;
// Requests from an ordinary application (not a pager).
constexpr quint32 fromApplication = 1;

QList<quint32> childrenOf(xcb_connection_t* c, quint32 window)
{
    QList<quint32> children;
    auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    if (!tree)
        return children;
    const xcb_window_t* ids = xcb_query_tree_children(tree);
    // Bottom to top; the topmost is looked at first.
    for (int i = xcb_query_tree_children_length(tree) - 1; i >= 0; --i)
        children.append(ids[i]);
    std::free(tree);
    return children;
}

void sendToRoot(xcb_connection_t* c, quint32 root, quint32 window, quint32 message,
                const quint32 (&data)[5])
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = message;
    for (int i = 0; i < 5; ++i)
        event.data.data32[i] = data[i];
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

// Asks for every workspace again each time the window shows. KWin puts a new Qt::Tool window on
// the current workspace whatever its _NET_WM_DESKTOP said before mapping; asked once it manages
// the window, it keeps it on all of them. The first exposure after a show comes once the window
// manager has mapped the window, so it has taken it on by then.
class AllWorkspacesOnShow : public QObject
{
public:
    AllWorkspacesOnShow(QWindow* window, xcb_connection_t* connection, quint32 root)
        : QObject(window)
        , m_connection(connection)
        , m_root(root)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWindow*>(watched);
        if (event->type() == QEvent::Show) {
            m_pending = true;
        } else if (event->type() == QEvent::Expose && m_pending && window->isExposed()) {
            m_pending = false;
            sendToRoot(m_connection, m_root, quint32(window->winId()),
                       Xcb::atom(m_connection, "_NET_WM_DESKTOP"),
                       {allWorkspaces, fromApplication, 0, 0, 0});
            xcb_flush(m_connection);
        }
        return false;
    }

private:
    xcb_connection_t* m_connection;
    quint32 m_root;
    bool m_pending = false;
};
} // namespace

X11Windows::X11Windows(xcb_connection_t* connection, quint32 root)
    : m_connection(connection)
    , m_root(root)
{}

quint32 X11Windows::clientOf(quint32 frame, int depth) const
{
    if (!Xcb::property(m_connection, frame, Xcb::atom(m_connection, "WM_STATE")).value.isEmpty())
        return frame;
    // Frames nest a few levels at most (frame, then a plate or the client).
    if (depth >= 3)
        return 0;
    for (const quint32 child : childrenOf(m_connection, frame)) {
        if (const quint32 client = clientOf(child, depth + 1))
            return client;
    }
    return 0;
}

bool X11Windows::isDesktopType(quint32 window) const
{
    const QList<quint32> types = Xcb::property32(
        m_connection, window, Xcb::atom(m_connection, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM);
    // A window without a type is a normal one.
    return !types.isEmpty() &&
           types.first() == Xcb::atom(m_connection, "_NET_WM_WINDOW_TYPE_DESKTOP");
}

QList<quint32> X11Windows::ownWindows() const
{
    QList<quint32> own;
    const QWindowList windows = QGuiApplication::allWindows();
    for (const QWindow* window : windows) {
        if (window->handle())
            own.append(quint32(window->winId()));
    }
    return own;
}

std::optional<X11Windows::TopLevel> X11Windows::topLevelAt(QPoint point) const
{
    const QPoint native = Xcb::toNative(point);
    // The server finds the topmost mapped child of the root at the point, shapes respected.
    auto* reply = xcb_translate_coordinates_reply(
        m_connection,
        xcb_translate_coordinates(m_connection, m_root, m_root, qint16(native.x()),
                                  qint16(native.y())),
        nullptr);
    if (!reply)
        return std::nullopt;
    TopLevel found;
    found.frame = reply->child;
    std::free(reply);
    if (found.frame == XCB_WINDOW_NONE)
        return found;
    const quint32 client = clientOf(found.frame);
    // Without WM_STATE anywhere the window is unmanaged: override-redirect (menus, tooltips),
    // or there is no window manager and the window itself says what it is.
    found.window = client ? client : found.frame;
    return found;
}

bool X11Windows::isOwn(const TopLevel& topLevel) const
{
    const QList<quint32> own = ownWindows();
    return own.contains(topLevel.window) || own.contains(topLevel.frame);
}

bool X11Windows::isOnDesktop(QPoint point) const
{
    const std::optional<TopLevel> topLevel = topLevelAt(point);
    if (!topLevel)
        return false;
    if (topLevel->frame == XCB_WINDOW_NONE)
        return true;
    return !isOwn(*topLevel) && isDesktopType(topLevel->window);
}

bool X11Windows::isOwnWindowAt(QPoint point) const
{
    const std::optional<TopLevel> topLevel = topLevelAt(point);
    return topLevel && topLevel->frame != XCB_WINDOW_NONE && isOwn(*topLevel);
}

QString X11Windows::desktopWindowClass() const
{
    for (const quint32 topLevel : childrenOf(m_connection, m_root)) {
        const quint32 client = clientOf(topLevel);
        const quint32 window = client ? client : topLevel;
        if (!isDesktopType(window))
            continue;
        // WM_CLASS is "instance\0class\0".
        const QList<QByteArray> parts =
            Xcb::property(m_connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING)
                .value.split('\0');
        return parts.size() >= 2 ? QString::fromLocal8Bit(parts.at(1)) : QString();
    }
    return {};
}

void X11Windows::setBackground(QWindow* window, quint32 colour)
{
    // Opaque: a translucent window is shown with its alpha ignored when nothing composites.
    const quint32 pixel = 0xff000000u | colour;
    xcb_change_window_attributes(m_connection, quint32(window->winId()), XCB_CW_BACK_PIXEL, &pixel);
    xcb_flush(m_connection);
}

void X11Windows::decorateStackWindow(QWindow* window)
{
    const auto id = quint32(window->winId());
    const quint32 states[] = {
        Xcb::atom(m_connection, "_NET_WM_STATE_BELOW"),
        Xcb::atom(m_connection, "_NET_WM_STATE_STICKY"),
        Xcb::atom(m_connection, "_NET_WM_STATE_SKIP_TASKBAR"),
        Xcb::atom(m_connection, "_NET_WM_STATE_SKIP_PAGER"),
    };
    const quint32 stateAtom = Xcb::atom(m_connection, "_NET_WM_STATE");
    const quint32 desktopAtom = Xcb::atom(m_connection, "_NET_WM_DESKTOP");
    if (!window->isVisible()) {
        // Read by the window manager when the window is mapped. Qt adds its own states to
        // this list at show time and keeps ours. Without the workspace the window would live
        // on the first workspace only.
        QList<quint32> merged = Xcb::property32(m_connection, id, stateAtom, XCB_ATOM_ATOM);
        for (const quint32 state : states) {
            if (!merged.contains(state))
                merged.append(state);
        }
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, stateAtom, XCB_ATOM_ATOM, 32,
                            quint32(merged.size()), merged.constData());
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, desktopAtom, XCB_ATOM_CARDINAL,
                            32, 1, &allWorkspaces);
        new AllWorkspacesOnShow(window, m_connection, m_root);
    } else {
        // Once mapped the window manager owns these properties: ask it.
        sendToRoot(m_connection, m_root, id, stateAtom,
                   {addState, states[0], states[1], fromApplication, 0});
        sendToRoot(m_connection, m_root, id, stateAtom,
                   {addState, states[2], states[3], fromApplication, 0});
        sendToRoot(m_connection, m_root, id, desktopAtom,
                   {allWorkspaces, fromApplication, 0, 0, 0});
    }
    xcb_flush(m_connection);
}

std::optional<quint32> X11Windows::desktopColour(QRect area) const
{
    quint32 pixmap = 0;
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        const QList<quint32> ids =
            Xcb::property32(m_connection, m_root, Xcb::atom(m_connection, name), XCB_ATOM_PIXMAP);
        if (!ids.isEmpty() && ids.first() != XCB_NONE) {
            pixmap = ids.first();
            break;
        }
    }
    if (pixmap == 0)
        return std::nullopt;
    // A property left behind by a program that has gone names a pixmap that no longer exists:
    // the request then fails and there is no answer.
    auto* geometry =
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, pixmap), nullptr);
    if (!geometry)
        return std::nullopt;
    const QRect picture(0, 0, geometry->width, geometry->height);
    const int depth = geometry->depth;
    std::free(geometry);
    const QRect native(Xcb::toNative(area.topLeft()), Xcb::toNative(area.bottomRight()));
    QRect wanted = native.intersected(picture);
    if (wanted.isEmpty())
        wanted = QRect(picture.center(), QSize(1, 1));
    if (depth != 24 && depth != 32)
        return std::nullopt;
    auto* image = xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, qint16(wanted.x()),
                      qint16(wanted.y()), quint16(wanted.width()), quint16(wanted.height()), ~0u),
        nullptr);
    if (!image)
        return std::nullopt;
    const int length = xcb_get_image_data_length(image);
    const quint8* data = xcb_get_image_data(image);
    const qint64 pixels = qint64(wanted.width()) * wanted.height();
    std::optional<quint32> colour;
    // Depths 24 and 32 travel as 32 bits a pixel, red in the third byte of a little-endian
    // server (the first of a big-endian one).
    if (pixels > 0 && length >= pixels * 4) {
        const bool bigEndian =
            xcb_get_setup(m_connection)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
        quint64 red = 0;
        quint64 green = 0;
        quint64 blue = 0;
        for (qint64 i = 0; i < pixels; ++i) {
            const quint8* pixel = data + i * 4;
            red += bigEndian ? pixel[1] : pixel[2];
            green += bigEndian ? pixel[2] : pixel[1];
            blue += bigEndian ? pixel[3] : pixel[0];
        }
        colour = 0xff000000u | quint32(red / quint64(pixels)) << 16 |
                 quint32(green / quint64(pixels)) << 8 | quint32(blue / quint64(pixels));
    }
    std::free(image);
    return colour;
}
