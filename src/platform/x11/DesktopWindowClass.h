#pragma once

#include <QStringList>

// The WM_CLASS (instance, class) of the window that draws the Desktop — the one whose
// _NET_WM_WINDOW_TYPE is _NET_WM_WINDOW_TYPE_DESKTOP, mapped ones first. Empty when there is no
// X server or no such window. Asked on a connection of its own, so it is safe on any thread.
QStringList desktopWindowClass();
