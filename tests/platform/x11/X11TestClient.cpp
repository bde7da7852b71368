#include "X11TestClient.h"

#include <QColor>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

X11TestClient::X11TestClient()
    : m_connection(xcb_connect(nullptr, nullptr))
{
    if (isValid())
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

X11TestClient::~X11TestClient()
{
    // The wallpaper goes with this connection: no property may name it after.
    if (m_wallpaper) {
        for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
            xcb_delete_property(m_connection, m_root, atom(name));
        const quint32 none = XCB_BACK_PIXMAP_NONE;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_BACK_PIXMAP, &none);
    }
    xcb_disconnect(m_connection);
}

bool X11TestClient::isValid() const
{
    return xcb_connection_has_error(m_connection) == 0;
}

quint32 X11TestClient::atom(const QByteArray& name)
{
    auto* reply = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, quint16(name.size()), name.constData()),
        nullptr);
    const quint32 value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}

quint32 X11TestClient::createWindow(const QRect& geometry, const QByteArray& type,
                                    bool overrideRedirect, const QByteArray& wmClass)
{
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    const quint32 window = xcb_generate_id(m_connection);
    const quint32 values[] = {screen->white_pixel, overrideRedirect ? 1u : 0u};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, qint16(geometry.x()),
                      qint16(geometry.y()), quint16(geometry.width()), quint16(geometry.height()),
                      0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    if (!type.isEmpty())
        setWindowType(window, type);
    if (!wmClass.isEmpty()) {
        const QByteArray value = wmClass.toLower() + '\0' + wmClass + '\0';
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                            XCB_ATOM_STRING, 8, quint32(value.size()), value.constData());
    }
    // Ask the window manager to keep the place we gave.
    quint32 hints[18] = {};
    hints[0] = 1 | 4; // USPosition | PPosition
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    xcb_map_window(m_connection, window);
    sync();
    return window;
}

void X11TestClient::setWindowType(quint32 window, const QByteArray& type)
{
    const quint32 value = atom("_NET_WM_WINDOW_TYPE_" + type);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &value);
    sync();
}

void X11TestClient::setWallpaper(const QColor& colour)
{
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    m_wallpaper = xcb_generate_id(m_connection);
    xcb_create_pixmap(m_connection, screen->root_depth, m_wallpaper, m_root,
                      screen->width_in_pixels, screen->height_in_pixels);
    const quint32 gc = xcb_generate_id(m_connection);
    const quint32 pixel = colour.rgb() & 0xffffff;
    xcb_create_gc(m_connection, gc, m_wallpaper, XCB_GC_FOREGROUND, &pixel);
    const xcb_rectangle_t all{0, 0, screen->width_in_pixels, screen->height_in_pixels};
    xcb_poly_fill_rectangle(m_connection, m_wallpaper, gc, 1, &all);
    xcb_free_gc(m_connection, gc);
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_root, atom(name),
                            XCB_ATOM_PIXMAP, 32, 1, &m_wallpaper);
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_BACK_PIXMAP, &m_wallpaper);
    xcb_clear_area(m_connection, 0, m_root, 0, 0, 0, 0);
    sync();
}

bool X11TestClient::grabHotKey()
{
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, XK_s);
    bool grabbed = codes && *codes != XCB_NO_SYMBOL;
    if (grabbed) {
        xcb_generic_error_t* error = xcb_request_check(
            m_connection,
            xcb_grab_key_checked(m_connection, 0, m_root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1,
                                 codes[0], XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        grabbed = !error;
        std::free(error);
    }
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return grabbed;
}

void X11TestClient::sync()
{
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}
