#pragma once

#include <QRect>
#include <QStringList>

// What the X server tells about the Desktop, asked on a connection of its own each time, so
// these are safe on any thread. Without an X server they give nothing.
namespace DesktopProbe {

// The WM_CLASS (instance, class) of the window that draws the Desktop — the one whose
// _NET_WM_WINDOW_TYPE is _NET_WM_WINDOW_TYPE_DESKTOP, mapped ones first. Empty when there is
// none.
QStringList windowClass();
// The area of the first screen that panels leave free (_NET_WORKAREA of the first desktop),
// else the whole screen. A null rectangle when there is no X server.
QRect workArea();

} // namespace DesktopProbe
