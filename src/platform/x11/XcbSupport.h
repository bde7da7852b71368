#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>

#include <memory>

// As Qt's own platform header declares it; the xcb headers stay in the .cpp files.
struct xcb_connection_t;

// Small helpers over one xcb connection, shared by the X11 pieces.
namespace Xcb {

// Qt's own connection and the root window of its screen; null and 0 when not on X11.
xcb_connection_t* qtConnection();
quint32 rootWindow(xcb_connection_t* connection);
// The screen number the display name chose (":0.1" gives 1).
int defaultScreen();

// Whether the X server has the extension of that name.
bool hasExtension(xcb_connection_t* connection, const char* name);
// Whether the X server is XWayland, the X server of a Wayland session.
bool isXWayland(xcb_connection_t* connection);

// Atoms are the same on every connection to a display, so they are looked up once per name.
quint32 atom(xcb_connection_t* connection, const char* name);

// A property's raw value; `type` 0 accepts any type. Empty when absent.
struct Property
{
    quint32 type = 0;
    int format = 0;
    QByteArray value;
};
Property property(xcb_connection_t* connection, quint32 window, quint32 name, quint32 type = 0,
                  bool remove = false);
QList<quint32> property32(xcb_connection_t* connection, quint32 window, quint32 name, quint32 type);

// The modifier bits of Alt, Num Lock and Scroll Lock, which depend on the keyboard map.
struct ModifierMasks
{
    quint16 alt = 0;
    quint16 numLock = 0;
    quint16 scrollLock = 0;
};
ModifierMasks modifierMasks(xcb_connection_t* connection);

// Conversions between X's device pixels and Qt's logical coordinates (they differ when Qt
// scales the screens).
QPoint fromNative(QPoint native);
QPoint toNative(QPoint logical);

} // namespace Xcb
