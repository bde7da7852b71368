#pragma once

#include <QByteArray>
#include <QString>

// How this copy reaches a display. In a Wayland session the stack windows go through XWayland:
// there an X11 window keeps its place, stays below the other windows and shows on every
// workspace, which a Wayland window can't ask for.
struct SessionDisplay
{
    // The variables it is chosen from, as the session sets them.
    struct Environment
    {
        QByteArray display;
        QByteArray waylandDisplay;
        QByteArray sessionType;
        QByteArray qtPlatform;

        static Environment ofThisProcess();
    };

    // The Qt platform to set before the application starts; empty: leave it to the user's
    // setting or to Qt.
    QByteArray qtPlatform;
    // Why there is no display to run on, for the terminal; empty when there is one.
    QString refusal;

    static SessionDisplay choose(const Environment& environment);
};
