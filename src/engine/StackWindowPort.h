#pragma once

#include <QPointF>
#include <QRectF>
#include <QStringList>
#include <QUuid>

struct DesktopStack;

// What the manager needs of one stack window. The window shows one stack; the manager feeds it
// and places it, and the window calls the manager back for everything the user does with it.
// Geometry is in the Screens port's coordinates: origin at the lower left of the first screen,
// y upward; a window's origin is the lower-left corner of its frame.
class StackWindowPort
{
public:
    // The window's size in points; its centre is its origin + (70, 75).
    static constexpr qreal width = 140;
    static constexpr qreal height = 150;

    virtual ~StackWindowPort() = default;

    virtual QUuid stackID() const = 0;
    // Shows the record (name, count, whether spread) and its files, in item order: the paths
    // its items' bookmarks resolve to.
    virtual void update(const DesktopStack& record, const QStringList& files) = 0;

    virtual QPointF frameOrigin() const = 0;
    virtual void setFrameOrigin(QPointF origin) = 0;
    virtual QRectF frame() const = 0;
    // Brings the window to the front of the stack windows without activating the program.
    virtual void orderFront() = 0;
    // Hides the window for good, and the preview panel with it when that shows this stack.
    // The manager destroys the window afterwards, never from inside one of its own calls.
    virtual void close() = 0;

    // How the window shows that it is selected, or that a dragged stack would land on it.
    virtual void setSelected(bool selected) = 0;
    virtual void setDropTarget(bool target) = 0;
    // Animates the window away; when the animation is over the window asks the manager to
    // dissolve its stack (StackManager::dissolveAfterAnimation).
    virtual void startDissolveAnimation() = 0;
};
