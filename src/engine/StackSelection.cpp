#include "engine/StackSelection.h"

#include "engine/StackRecords.h"
#include "engine/StackWindowPort.h"
#include "engine/StackWindows.h"
#include "platform/Alerts.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"

#include <chrono>
#include <cmath>

namespace {

// How far inside a stack's frame a dragged window's centre must come to land on it.
constexpr qreal targetInsetX = 15;
constexpr qreal targetInsetY = 20;

// Half-open, as a frame's own points are: a centre on the far edge is outside.
bool contains(const QRectF& rect, QPointF point)
{
    return point.x() >= minX(rect) && point.x() < maxX(rect) && point.y() >= minY(rect) &&
           point.y() < maxY(rect);
}

} // namespace

StackSelection::StackSelection(StackRecords& records, StackWindows& windows, Alerts& alerts,
                               Scheduler& scheduler)
    : m_records(records)
    , m_windows(windows)
    , m_alerts(alerts)
    , m_scheduler(scheduler)
{}

void StackSelection::publish()
{
    m_windows.publishSelection(m_selection);
}

void StackSelection::setSelection(QSet<QUuid> selection)
{
    if (m_selection == selection)
        return;
    m_selection = std::move(selection);
    publish();
}

bool StackSelection::toggleSelection(const QUuid& id)
{
    const bool selected = !m_selection.remove(id);
    if (selected)
        m_selection.insert(id);
    publish();
    return selected;
}

void StackSelection::selectOnly(const QUuid& id)
{
    m_selection = QSet<QUuid>{id};
    publish();
}

void StackSelection::selectIfNeeded(const QUuid& id)
{
    if (!m_selection.contains(id))
        selectOnly(id);
}

void StackSelection::forget(const QUuid& id)
{
    if (m_selection.remove(id))
        publish();
}

void StackSelection::marqueeBegan(bool onDesktop, bool additive)
{
    if (!(onDesktop && additive))
        setSelection({});
    m_marqueeBase = m_selection;
}

void StackSelection::marqueeChanged(const QRectF& rect)
{
    const QRectF area = rect.normalized();
    QSet<QUuid> selection = m_marqueeBase;
    for (const QUuid& id : m_windows.windowIDs()) {
        if (m_windows.window(id)->frame().intersects(area))
            selection.insert(id);
    }
    setSelection(std::move(selection));
}

bool StackSelection::beginGroupDrag(const QUuid& id)
{
    const QSet<QUuid> members = m_selection.contains(id) ? m_selection : QSet<QUuid>{id};
    Drag drag{id, {}};
    for (const QUuid& member : members) {
        if (const StackWindowPort* window = m_windows.window(member))
            drag.start.insert(member, window->frameOrigin());
    }
    m_drag = std::move(drag);
    return members.size() > 1;
}

std::optional<QUuid> StackSelection::targetOf(const Drag& drag, QRectF dragged) const
{
    const QPointF centre = dragged.center();
    std::optional<QUuid> best;
    qreal bestDistance = 0;
    for (const QUuid& id : m_windows.windowIDs()) {
        if (drag.start.contains(id))
            continue;
        const QRectF frame = m_windows.window(id)->frame();
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

void StackSelection::updateDropTargets()
{
    QSet<QUuid> targets;
    for (const auto& [dragged, target] : dropTargets())
        targets.insert(target);
    if (targets == m_hoveredTargets)
        return;
    m_hoveredTargets = targets;
    for (const QUuid& id : m_windows.windowIDs())
        m_windows.window(id)->setDropTarget(targets.contains(id));
    if (!targets.isEmpty())
        m_alerts.haptic(Haptic::Alignment);
}

bool StackSelection::recordOrigin(const QUuid& id, QPointF origin)
{
    DesktopStack* stack = m_records.find(id);
    if (!stack || (stack->windowOrigin.x() == origin.x() && stack->windowOrigin.y() == origin.y()))
        return false;
    stack->windowOrigin = origin;
    return true;
}

void StackSelection::windowMoved(const QUuid& id, QPointF origin)
{
    bool changed = false;
    if (m_drag) {
        // The windows moved along below report their moves too; those change nothing.
        const auto leaderStart = m_drag->start.constFind(id);
        if (m_drag->leader != id || leaderStart == m_drag->start.cend())
            return;
        const QPointF delta = origin - *leaderStart;
        // Copied: moving a window may call back in here.
        const QHash<QUuid, QPointF> start = m_drag->start;
        for (auto member = start.cbegin(); member != start.cend(); ++member) {
            if (member.key() == id)
                continue;
            const QPointF moved = member.value() + delta;
            if (StackWindowPort* window = m_windows.window(member.key()))
                window->setFrameOrigin(moved);
            changed = recordOrigin(member.key(), moved) || changed;
        }
        if (changed)
            m_records.refreshFlags();
        updateDropTargets();
    }
    changed = recordOrigin(id, origin) || changed;
    // A list that did not change would only be written again as it is.
    if (!changed)
        return;
    m_records.refreshFlags();
    if (m_drag)
        saveDuringDrag();
    else
        m_records.save();
}

void StackSelection::saveDuringDrag()
{
    if (m_unsavedMoves)
        return;
    m_unsavedMoves = true;
    m_scheduler.after(std::chrono::seconds(1), &m_pendingSave, [this] {
        if (!m_unsavedMoves)
            return;
        m_unsavedMoves = false;
        m_records.save();
    });
}

QList<StackSelection::Drop> StackSelection::endGroupDrag()
{
    if (!m_drag)
        return {};
    const QList<Drop> drops = dropTargets();
    m_drag.reset();
    m_hoveredTargets.clear();
    for (const QUuid& id : m_windows.windowIDs())
        m_windows.window(id)->setDropTarget(false);
    m_unsavedMoves = false;
    m_records.save();
    return drops;
}

QList<StackSelection::Drop> StackSelection::dropTargets() const
{
    if (!m_drag)
        return {};
    const StackWindowPort* leader = m_windows.window(m_drag->leader);
    const auto leaderStart = m_drag->start.constFind(m_drag->leader);
    if (leader && leaderStart != m_drag->start.cend()) {
        const QPointF now = leader->frameOrigin();
        if (now.x() == leaderStart->x() && now.y() == leaderStart->y())
            return {};
    }
    QList<Drop> drops;
    for (const DesktopStack& stack : m_records.all()) {
        const StackWindowPort* dragged = m_windows.window(stack.id);
        if (!dragged || !m_drag->start.contains(stack.id))
            continue;
        if (const std::optional<QUuid> target = targetOf(*m_drag, dragged->frame()))
            drops.append({stack.id, *target});
    }
    return drops;
}
