#include "platform/x11/X11HotKey.h"

#include "platform/PlatformLog.h"
#include "platform/x11/XcbSupport.h"

#include <QCoreApplication>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace {
constexpr quint8 badAccess = 10;
} // namespace

X11HotKey::X11HotKey(xcb_connection_t* connection, quint32 root, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_root(root)
{}

X11HotKey::~X11HotKey()
{
    if (m_installed)
        QCoreApplication::instance()->removeNativeEventFilter(this);
    ungrabKeys();
}

bool X11HotKey::grab()
{
    if (!m_installed) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_installed = true;
    }
    const int taken = grabKeys();
    if (taken > 0 && !m_reportedTaken) {
        m_reportedTaken = true;
        qCWarning(lcPlatform).noquote()
            << "Tidorama: the shortcut Ctrl+Alt+S is already taken by another program";
    }
    return taken == 0 && !m_keycodes.isEmpty();
}

int X11HotKey::grabKeys()
{
    ungrabKeys();
    const Xcb::ModifierMasks masks = Xcb::modifierMasks(m_connection);
    m_wanted = XCB_MOD_MASK_CONTROL | masks.alt;
    m_ignored = XCB_MOD_MASK_LOCK | masks.numLock | masks.scrollLock;

    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    xcb_keycode_t* codes = symbols ? xcb_key_symbols_get_keycode(symbols, XK_s) : nullptr;
    for (const xcb_keycode_t* code = codes; code && *code != XCB_NO_SYMBOL; ++code)
        m_keycodes.append(*code);
    std::free(codes);
    xcb_key_symbols_free(symbols);
    if (!masks.alt || m_keycodes.isEmpty())
        return 0;

    for (const quint16 locks : {quint16(0), quint16(XCB_MOD_MASK_LOCK), masks.numLock,
                                quint16(XCB_MOD_MASK_LOCK | masks.numLock)}) {
        if (!m_grabbedModifiers.contains(m_wanted | locks))
            m_grabbedModifiers.append(m_wanted | locks);
    }
    QList<xcb_void_cookie_t> cookies;
    for (const quint8 keycode : m_keycodes) {
        // Not owner events: every press comes to the root, even while one of our windows has
        // the focus.
        for (const quint16 modifiers : m_grabbedModifiers)
            cookies.append(xcb_grab_key_checked(m_connection, 0, m_root, modifiers, keycode,
                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    int taken = 0;
    for (const xcb_void_cookie_t& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
            if (error->error_code == badAccess)
                ++taken;
            std::free(error);
        }
    }
    return taken;
}

void X11HotKey::ungrabKeys()
{
    for (const quint8 keycode : std::as_const(m_keycodes)) {
        for (const quint16 modifiers : std::as_const(m_grabbedModifiers))
            xcb_ungrab_key(m_connection, keycode, m_root, modifiers);
    }
    if (!m_keycodes.isEmpty())
        xcb_flush(m_connection);
    m_keycodes.clear();
    m_grabbedModifiers.clear();
}

bool X11HotKey::matches(quint8 keycode, quint16 state) const
{
    // Only the eight core modifier bits count; XKB keeps the layout group above them.
    return m_keycodes.contains(keycode) && (state & 0xff & ~m_ignored) == m_wanted;
}

bool X11HotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_KEY_PRESS: {
        const auto* key = static_cast<const xcb_key_press_event_t*>(message);
        if (key->event != m_root || !matches(key->detail, key->state))
            return false;
        const bool repeat = m_down || key->time == m_releaseTime;
        m_down = true;
        if (!repeat)
            Q_EMIT pressed();
        return true;
    }
    case XCB_KEY_RELEASE: {
        const auto* key = static_cast<const xcb_key_release_event_t*>(message);
        if (key->event != m_root || !m_keycodes.contains(key->detail))
            return false;
        m_down = false;
        m_releaseTime = key->time;
        return true;
    }
    case XCB_MAPPING_NOTIFY: {
        // A new keyboard map can move S or Alt elsewhere.
        const auto* mapping = static_cast<const xcb_mapping_notify_event_t*>(message);
        if (!m_keycodes.isEmpty() && mapping->request != XCB_MAPPING_POINTER)
            grabKeys();
        return false;
    }
    default:
        return false;
    }
}
