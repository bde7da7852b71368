#pragma once

#include "store/DesktopStack.h"
#include "store/StackItem.h"

#include <QList>
#include <QPointF>
#include <QString>

// The undo record of one stack converted into a folder on the Desktop.
struct Conversion
{
    // The stack record as it was before converting.
    DesktopStack stack;
    // The folder made on the Desktop.
    QString folder;
    // Where the folder's icon goes: a Desktop position (top-left origin, y downward).
    QPointF spot;
    // The items that really went into the folder, named and bookmarked where they are now;
    // their Desktop positions are the recorded ones.
    QList<StackItem> moved;
};
