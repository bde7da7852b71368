#pragma once

#include <QHash>
#include <QPointF>
#include <QString>

// Where one Desktop item's icon should go: its name in the Desktop folder and the icon's centre
// (top-left origin, y downward, in points).
struct NamedPosition
{
    QString name;
    QPointF position;

    friend bool operator==(const NamedPosition&, const NamedPosition&) = default;
};

// Icon centres by item name.
using PositionMap = QHash<QString, QPointF>;
