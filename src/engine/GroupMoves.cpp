#include "engine/GroupMoves.h"

#include "engine/StackManager.h"
#include "engine/StackWindowPort.h"
#include "platform/Alerts.h"
#include "platform/Screens.h"

#include <QPointer>
#include <QSet>

#include <cmath>

namespace GroupMoves {

namespace {

// How far inside a stack's frame a dragged window's centre must come to land on it.
constexpr qreal targetInsetX = 15;
constexpr qreal targetInsetY = 20;

void setSelection(StackManager& manager, QSet<QUuid> selection)
{
    if (manager.selection() == selection)
        return;
    manager.selection() = std::move(selection);
    manager.publishSelection();
}

// Half-open, as a frame's own points are: a centre on the far edge is outside.
bool contains(const QRectF& rect, QPointF point)
{
    return point.x() >= minX(rect) && point.x() < maxX(rect) && point.y() >= minY(rect) &&
           point.y() < maxY(rect);
}

// The stack the dragged window would land on, if any.
std::optional<QUuid> targetOf(const StackManager& manager, const StackManager::Drag& drag,
                              const StackWindowPort& dragged)
{
    const QPointF centre = dragged.frame().center();
    std::optional<QUuid> best;
    qreal bestDistance = 0;
    for (const QUuid& id : manager.windowIDs()) {
        if (drag.start.contains(id))
            continue;
        const QRectF frame = manager.window(id)->frame();
        if (!contains(frame.adjusted(targetInsetX, targetInsetY, -targetInsetX, -targetInsetY),
                      centre))
            continue;
        const QPointF apart = frame.center() - centre;
        const qreal distance = std::hypot(apart.x(), apart.y());
        if (!best || distance < bestDistance) {
            best = id;
            bestDistance = distance;
        }
    }
    return best;
}

void updateDropTargets(StackManager& manager)
{
    QSet<QUuid> targets;
    for (const auto& [dragged, target] : dropTargets(manager))
        targets.insert(target);
    if (targets == manager.hoveredTargets())
        return;
    manager.hoveredTargets() = targets;
    for (const QUuid& id : manager.windowIDs())
        manager.window(id)->setDropTarget(targets.contains(id));
    if (!targets.isEmpty())
        manager.services().alerts.haptic(Haptic::Alignment);
}

// Records where a stack's window stands; false when that is where the record has it already.
bool recordOrigin(StackManager& manager, const QUuid& id, QPointF origin)
{
    DesktopStack* stack = manager.findStack(id);
    if (!stack || (stack->windowOrigin.x() == origin.x() && stack->windowOrigin.y() == origin.y()))
        return false;
    stack->windowOrigin = origin;
    return true;
}

// The dragged stack's files go into the target, each leaving the dragged stack as it moves;
// the dragged stack goes with its last file. Files that could not move stay its items (the
// user has been told), so that the stack still shows where they are.
void merge(StackManager& manager, const QUuid& dragged, const QUuid& target)
{
    const std::optional<DesktopStack> stack = manager.stackWithID(dragged);
    if (!stack || !manager.stackWithID(target))
        return;
    const QPointer<StackManager> alive(&manager);
    manager.addFiles(manager.resolvedFiles(*stack), target);
    // Adding may have shown an alert, and the stack may have gone meanwhile.
    if (!alive)
        return;
    if (const std::optional<DesktopStack> left = manager.stackWithID(dragged);
        left && manager.resolvedFiles(*left).isEmpty())
        manager.removeStack(dragged, true);
}

} // namespace

bool toggleSelection(StackManager& manager, const QUuid& id)
{
    QSet<QUuid>& selection = manager.selection();
    const bool selected = !selection.remove(id);
    if (selected)
        selection.insert(id);
    manager.publishSelection();
    return selected;
}

void selectOnly(StackManager& manager, const QUuid& id)
{
    manager.selection() = QSet<QUuid>{id};
    manager.publishSelection();
}

void selectIfNeeded(StackManager& manager, const QUuid& id)
{
    if (!manager.selection().contains(id))
        selectOnly(manager, id);
}

void marqueeBegan(StackManager& manager, bool onDesktop, bool additive)
{
    if (!(onDesktop && additive))
        setSelection(manager, {});
    manager.marqueeBase() = manager.selection();
}

void marqueeChanged(StackManager& manager, const QRectF& rect)
{
    const QRectF area = rect.normalized();
    QSet<QUuid> selection = manager.marqueeBase();
    for (const QUuid& id : manager.windowIDs()) {
        if (manager.window(id)->frame().intersects(area))
            selection.insert(id);
    }
    setSelection(manager, std::move(selection));
}

bool beginGroupDrag(StackManager& manager, const QUuid& id)
{
    const QSet<QUuid> members =
        manager.selection().contains(id) ? manager.selection() : QSet<QUuid>{id};
    StackManager::Drag drag{id, {}};
    for (const QUuid& member : members) {
        if (const StackWindowPort* window = manager.window(member))
            drag.start.insert(member, window->frameOrigin());
    }
    manager.drag() = std::move(drag);
    return members.size() > 1;
}

void windowMoved(StackManager& manager, const QUuid& id, QPointF origin)
{
    bool changed = false;
    if (const std::optional<StackManager::Drag>& drag = manager.drag()) {
        // The windows moved along below report their moves too; those change nothing.
        const auto leaderStart = drag->start.constFind(id);
        if (drag->leader != id || leaderStart == drag->start.cend())
            return;
        const QPointF delta = origin - *leaderStart;
        // Copied: moving a window may call back into the manager.
        const QHash<QUuid, QPointF> start = drag->start;
        for (auto member = start.cbegin(); member != start.cend(); ++member) {
            if (member.key() == id)
                continue;
            const QPointF moved = member.value() + delta;
            if (StackWindowPort* window = manager.window(member.key()))
                window->setFrameOrigin(moved);
            changed = recordOrigin(manager, member.key(), moved) || changed;
        }
        if (changed)
            manager.recomputeFlags();
        updateDropTargets(manager);
    }
    changed = recordOrigin(manager, id, origin) || changed;
    // A list that did not change would only be written again as it is.
    if (changed) {
        manager.recomputeFlags();
        manager.saveStackList();
    }
}

bool endGroupDrag(StackManager& manager)
{
    if (!manager.drag())
        return false;
    const QList<std::pair<QUuid, QUuid>> pairs = dropTargets(manager);
    manager.drag().reset();
    manager.hoveredTargets().clear();
    for (const QUuid& id : manager.windowIDs())
        manager.window(id)->setDropTarget(false);
    manager.saveStackList();

    const QPointer<StackManager> alive(&manager);
    bool merged = false;
    for (const auto& [dragged, target] : pairs) {
        if (!alive)
            break;
        merge(manager, dragged, target);
        merged = true;
    }
    return merged;
}

QList<std::pair<QUuid, QUuid>> dropTargets(const StackManager& manager)
{
    const std::optional<StackManager::Drag>& drag = manager.drag();
    if (!drag)
        return {};
    const StackWindowPort* leader = manager.window(drag->leader);
    const auto leaderStart = drag->start.constFind(drag->leader);
    if (leader && leaderStart != drag->start.cend()) {
        const QPointF now = leader->frameOrigin();
        if (now.x() == leaderStart->x() && now.y() == leaderStart->y())
            return {};
    }
    QList<std::pair<QUuid, QUuid>> pairs;
    for (const DesktopStack& stack : manager.stacks()) {
        const StackWindowPort* dragged = manager.window(stack.id);
        if (!dragged || !drag->start.contains(stack.id))
            continue;
        if (const std::optional<QUuid> target = targetOf(manager, *drag, *dragged))
            pairs.append({stack.id, *target});
    }
    return pairs;
}

} // namespace GroupMoves
