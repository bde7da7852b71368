#include "platform/x11/DesktopProbe.h"

// A build without X11 has no Desktop window to ask about.
QStringList DesktopProbe::windowClass()
{
    return {};
}

QRect DesktopProbe::workArea()
{
    return {};
}
