#include "platform/x11/DesktopProbe.h"

#include <QList>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

template<typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T>
Reply<T> owned(T* reply)
{
    return Reply<T>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The top-level windows: the root's children and, under a window manager that reparents,
// their children.
QList<xcb_window_t> candidates(xcb_connection_t* connection, xcb_window_t root)
{
    QList<xcb_window_t> windows;
    const auto children = [&](xcb_window_t parent) {
        QList<xcb_window_t> found;
        const auto tree =
            owned(xcb_query_tree_reply(connection, xcb_query_tree(connection, parent), nullptr));
        if (tree) {
            const xcb_window_t* list = xcb_query_tree_children(tree.get());
            const int count = xcb_query_tree_children_length(tree.get());
            for (int i = 0; i < count; ++i)
                found.append(list[i]);
        }
        return found;
    };
    const QList<xcb_window_t> tops = children(root);
    for (const xcb_window_t top : tops) {
        windows.append(top);
        windows.append(children(top));
    }
    return windows;
}

using Connection = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

// A connection of our own and its default screen; null when there is no X server.
std::pair<Connection, xcb_screen_t*> connect()
{
    int screenNumber = 0;
    Connection connection(xcb_connect(nullptr, &screenNumber), &xcb_disconnect);
    if (!connection || xcb_connection_has_error(connection.get()))
        return {Connection(nullptr, &xcb_disconnect), nullptr};
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return {Connection(nullptr, &xcb_disconnect), nullptr};
    return {std::move(connection), screens.data};
}

} // namespace

QStringList DesktopProbe::windowClass()
{
    const auto [connection, screen] = connect();
    if (!screen)
        return {};
    xcb_connection_t* c = connection.get();
    const xcb_atom_t windowType = atom(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t desktopType = atom(c, "_NET_WM_WINDOW_TYPE_DESKTOP");
    if (windowType == XCB_ATOM_NONE || desktopType == XCB_ATOM_NONE)
        return {};

    const QList<xcb_window_t> windows = candidates(c, screen->root);
    // Ask for every window's type at once, then read the answers.
    QList<xcb_get_property_cookie_t> types;
    for (const xcb_window_t window : windows)
        types.append(xcb_get_property(c, 0, window, windowType, XCB_ATOM_ATOM, 0, 32));
    QStringList unmapped;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const auto type = owned(xcb_get_property_reply(c, types[i], nullptr));
        if (!type || type->format != 32)
            continue;
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(type.get()));
        const int count = xcb_get_property_value_length(type.get()) / 4;
        if (std::find(atoms, atoms + count, desktopType) == atoms + count)
            continue;
        const auto wmClass = owned(xcb_get_property_reply(
            c, xcb_get_property(c, 0, windows[i], XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
            nullptr));
        if (!wmClass)
            continue;
        const QByteArray value(static_cast<const char*>(xcb_get_property_value(wmClass.get())),
                               xcb_get_property_value_length(wmClass.get()));
        QStringList names;
        for (const QByteArray& part : value.split('\0'))
            names.append(QString::fromLatin1(part));
        names = names.mid(0, 2);
        const auto attributes = owned(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, windows[i]), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            return names;
        if (unmapped.isEmpty())
            unmapped = names;
    }
    return unmapped;
}

QRect DesktopProbe::workArea()
{
    const auto [connection, screen] = connect();
    if (!screen)
        return QRect();
    xcb_connection_t* c = connection.get();
    const QRect whole(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    const xcb_atom_t name = atom(c, "_NET_WORKAREA");
    if (name == XCB_ATOM_NONE)
        return whole;
    const auto area = owned(xcb_get_property_reply(
        c, xcb_get_property(c, 0, screen->root, name, XCB_ATOM_CARDINAL, 0, 4), nullptr));
    if (!area || area->format != 32 || xcb_get_property_value_length(area.get()) < 16)
        return whole;
    const auto* values = static_cast<const quint32*>(xcb_get_property_value(area.get()));
    return QRect(int(values[0]), int(values[1]), int(values[2]), int(values[3]));
}
