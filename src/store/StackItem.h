#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QUuid>

// One stacked file (a value record).
struct StackItem
{
    QUuid id;
    // The file's name (last path component) inside the stack folder.
    QString name;
    // Finds the file again after a move or rename (the Bookmarks port); only a hint: callers
    // check that what it resolves to exists.
    QByteArray bookmark;
    // The icon's position on the Desktop: top-left origin, y downward.
    QPointF position;

    // Exact comparison: QPointF's own operator== is fuzzy, and a record that changed by a tiny
    // amount must not count as unchanged.
    friend bool operator==(const StackItem& a, const StackItem& b)
    {
        return a.id == b.id && a.name == b.name && a.bookmark == b.bookmark &&
               a.position.x() == b.position.x() && a.position.y() == b.position.y();
    }
    friend bool operator!=(const StackItem& a, const StackItem& b) { return !(a == b); }
};
