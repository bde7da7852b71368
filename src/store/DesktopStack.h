#pragma once

#include "store/StackItem.h"
#include "store/StackState.h"

#include <QList>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>

// One stack (a value record; copies are independent).
struct DesktopStack
{
    QUuid id;
    // The display name, shown under the window and used for the folder name.
    QString name;
    // The stack's subfolder in the storage folder. Absent only for records of the old layout,
    // whose files lie in Desktop/.Tidorama/<UPPER-CASE ID>.
    std::optional<QString> folderName;
    StackState state = StackState::collapsed;
    // The window's origin: lower-left origin of the first screen, y upward.
    QPointF windowOrigin;
    // The files, in stacking order.
    QList<StackItem> items;

    // Exact comparison (see StackItem). Comparing two copies that still share their item list
    // costs nothing for the items, which keeps unchanged records cheap to recognise.
    friend bool operator==(const DesktopStack& a, const DesktopStack& b)
    {
        return a.id == b.id && a.name == b.name && a.folderName == b.folderName &&
               a.state == b.state && a.windowOrigin.x() == b.windowOrigin.x() &&
               a.windowOrigin.y() == b.windowOrigin.y() && a.items == b.items;
    }
    friend bool operator!=(const DesktopStack& a, const DesktopStack& b) { return !(a == b); }
};

// The bookmarks of the record's items, in order.
inline QList<QByteArray> itemBookmarks(const DesktopStack& stack)
{
    QList<QByteArray> bookmarks;
    bookmarks.reserve(stack.items.size());
    for (const StackItem& item : stack.items)
        bookmarks.append(item.bookmark);
    return bookmarks;
}

// The folder names the records hold (their folders need not exist: a spread stack's may be
// gone).
inline QSet<QString> folderNames(const QList<DesktopStack>& stacks)
{
    QSet<QString> names;
    for (const DesktopStack& stack : stacks) {
        if (stack.folderName)
            names.insert(*stack.folderName);
    }
    return names;
}
