#pragma once

#include <QPointF>
#include <QString>

#include <optional>

// One item lying on the Desktop, as the desktop program reports it.
struct DesktopFile
{
    // Absolute path of the item (a symbolic link is the link, not its target).
    QString path;
    // The icon's centre in points, origin at the top left of the first screen, y downward.
    // Nothing when the desktop program does not say where the icon is (no supported program
    // running, or one that keeps no position for this icon).
    std::optional<QPointF> position;
    // The name is not valid UTF-8 text: `path` reads it with replacement characters and leads
    // nowhere. Such a file is never moved; the user is told it cannot be stacked.
    bool unreadableName = false;

    friend bool operator==(const DesktopFile&, const DesktopFile&) = default;
};
