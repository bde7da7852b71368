#include "app/SessionDisplay.h"

#include <QtGlobal>

SessionDisplay::Environment SessionDisplay::Environment::ofThisProcess()
{
    return {qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"),
            qgetenv("QT_QPA_PLATFORM")};
}

SessionDisplay SessionDisplay::choose(const Environment& environment)
{
    // A platform the user chose is theirs to answer for.
    if (!environment.qtPlatform.isEmpty())
        return {};
    const bool wayland =
        !environment.waylandDisplay.isEmpty() || environment.sessionType == "wayland";
    if (!environment.display.isEmpty())
        return {wayland ? QByteArray("xcb") : QByteArray(), QString()};
    if (!environment.waylandDisplay.isEmpty())
        return {QByteArray(),
                QStringLiteral("this Wayland session has no X11 display (DISPLAY is not set). "
                               "Tidora shows its stacks through XWayland, which keeps them on "
                               "the Desktop: install XWayland (package xwayland) or turn it on "
                               "in your desktop's settings, log in again and start Tidora.")};
    // Without any display Qt would abort with a core dump; say why instead.
    return {QByteArray(), QStringLiteral("no display to show the stacks on (neither DISPLAY nor "
                                         "WAYLAND_DISPLAY is set); start it from a desktop "
                                         "session.")};
}
