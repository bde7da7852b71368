#include "platform/x11/XcbSupport.h"

#include <QGuiApplication>
#include <QHash>
#include <QMutex>
#include <QScreen>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace Xcb {

namespace {
template<typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template<typename Reply>
ReplyPtr<Reply> owned(Reply* reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}
} // namespace

xcb_connection_t* qtConnection()
{
    auto* native = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return native ? native->connection() : nullptr;
}

int defaultScreen()
{
    int screen = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        screen = 0;
    std::free(host);
    return screen;
}

quint32 rootWindow(xcb_connection_t* connection)
{
    if (!connection)
        return 0;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = defaultScreen(); i > 0 && it.rem > 1; --i)
        xcb_screen_next(&it);
    return it.rem > 0 ? it.data->root : 0;
}

bool hasExtension(xcb_connection_t* connection, const char* name)
{
    const auto reply = owned(xcb_query_extension_reply(
        connection, xcb_query_extension(connection, quint16(std::strlen(name)), name), nullptr));
    return reply && reply->present;
}

bool isXWayland(xcb_connection_t* connection)
{
    // XWayland 23.1 and later has an extension to say so; earlier ones (22.1 in Debian 12) only
    // name their outputs XWAYLAND0, XWAYLAND1…, which Qt's screens carry.
    if (hasExtension(connection, "XWAYLAND"))
        return true;
    const QList<QScreen*> screens = QGuiApplication::screens();
    return std::any_of(screens.cbegin(), screens.cend(), [](const QScreen* screen) {
        return screen->name().startsWith(QLatin1String("XWAYLAND"));
    });
}

quint32 atom(xcb_connection_t* connection, const char* name)
{
    static QMutex mutex;
    static QHash<QByteArray, quint32> known;
    const QByteArray key(name);
    {
        QMutexLocker lock(&mutex);
        if (const auto found = known.constFind(key); found != known.cend())
            return *found;
    }
    auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(key.size()), key.constData()), nullptr));
    const quint32 value = reply ? reply->atom : quint32(XCB_ATOM_NONE);
    if (value != XCB_ATOM_NONE) {
        QMutexLocker lock(&mutex);
        known.insert(key, value);
    }
    return value;
}

Property property(xcb_connection_t* connection, quint32 window, quint32 name, quint32 type,
                  bool remove)
{
    Property result;
    // Read in one piece: the lengths are counted in 32-bit units.
    auto reply = owned(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, remove ? 1 : 0, window, name,
                         type ? type : quint32(XCB_GET_PROPERTY_TYPE_ANY), 0, 0x1fffffff),
        nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return result;
    result.type = reply->type;
    result.format = reply->format;
    result.value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                              xcb_get_property_value_length(reply.get()));
    return result;
}

QList<quint32> property32(xcb_connection_t* connection, quint32 window, quint32 name, quint32 type)
{
    const Property found = property(connection, window, name, type);
    QList<quint32> values;
    if (found.format != 32)
        return values;
    values.resize(found.value.size() / 4);
    std::memcpy(values.data(), found.value.constData(), size_t(values.size()) * 4);
    return values;
}

ModifierMasks modifierMasks(xcb_connection_t* connection)
{
    ModifierMasks masks;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    auto reply = owned(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!symbols || !reply) {
        xcb_key_symbols_free(symbols);
        return masks;
    }
    const xcb_keycode_t* map = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    auto maskOf = [&](xcb_keysym_t symbol) -> quint16 {
        const auto codes = owned(xcb_key_symbols_get_keycode(symbols, symbol));
        quint16 mask = 0;
        for (int modifier = 0; codes && modifier < 8; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t code = map[modifier * perModifier + i];
                for (const xcb_keycode_t* c = codes.get(); code && *c != XCB_NO_SYMBOL; ++c) {
                    if (*c == code)
                        mask |= quint16(1u << modifier);
                }
            }
        }
        return mask;
    };
    masks.alt = maskOf(XK_Alt_L) | maskOf(XK_Alt_R);
    masks.numLock = maskOf(XK_Num_Lock);
    masks.scrollLock = maskOf(XK_Scroll_Lock);
    xcb_key_symbols_free(symbols);
    return masks;
}

namespace {
// Qt keeps each screen's top-left corner and scales what lies beyond it.
const QScreen* screenAtNative(QPoint native)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        const QRect logical = screen->geometry();
        const QRect device(logical.topLeft(), logical.size() * screen->devicePixelRatio());
        if (device.contains(native))
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

const QScreen* screenAtLogical(QPoint logical)
{
    const QScreen* screen = QGuiApplication::screenAt(logical);
    return screen ? screen : QGuiApplication::primaryScreen();
}
} // namespace

QPoint fromNative(QPoint native)
{
    const QScreen* screen = screenAtNative(native);
    if (!screen || screen->devicePixelRatio() == 1.0)
        return native;
    const QPoint origin = screen->geometry().topLeft();
    return origin + ((native - origin) / screen->devicePixelRatio());
}

QPoint toNative(QPoint logical)
{
    const QScreen* screen = screenAtLogical(logical);
    if (!screen || screen->devicePixelRatio() == 1.0)
        return logical;
    const QPoint origin = screen->geometry().topLeft();
    return origin + ((logical - origin) * screen->devicePixelRatio());
}

} // namespace Xcb
