#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QUuid>

#include <optional>
#include <utility>

class Alerts;
class Scheduler;
class StackRecords;
class StackWindows;

// Stack windows selected like Desktop icons: by clicks and by a marquee on the Desktop. A
// selected group moves together when one of its windows is dragged, and a stack dropped on
// another stack is merged into it (by the caller of endGroupDrag). The stack windows and the
// Desktop marquee call these; everything runs on the GUI thread.
class StackSelection
{
public:
    // A window drag in progress: the stack whose window is dragged, and where every window that
    // moves with it stood when the drag began.
    struct Drag
    {
        QUuid leader;
        QHash<QUuid, QPointF> start;
    };
    // A dragged stack and the stack it was dropped on.
    using Drop = std::pair<QUuid, QUuid>;

    StackSelection(StackRecords& records, StackWindows& windows, Alerts& alerts,
                   Scheduler& scheduler);

    // The selected stacks.
    const QSet<QUuid>& selected() const { return m_selection; }
    const std::optional<Drag>& drag() const { return m_drag; }
    // The stack windows shown as drop targets during a window drag.
    const QSet<QUuid>& hoveredTargets() const { return m_hoveredTargets; }
    // The selection when the current Desktop marquee began.
    const QSet<QUuid>& marqueeBase() const { return m_marqueeBase; }

    // Puts the stack into the selection, or takes it out when it was there. Whether it is
    // selected now.
    bool toggleSelection(const QUuid& id);
    // The selection becomes this stack alone.
    void selectOnly(const QUuid& id);
    // As selectOnly, unless the stack is selected already.
    void selectIfNeeded(const QUuid& id);
    // The selection becomes these stacks.
    void select(QSet<QUuid> ids) { setSelection(std::move(ids)); }
    // A removed stack leaves the selection.
    void forget(const QUuid& id);

    // Every mouse press: one outside a stack window clears the selection, except a press on the
    // Desktop with the additive modifier, which keeps it as the base of the new marquee.
    void marqueeBegan(bool onDesktop, bool additive);
    // The marquee now covers `rect` (screen coordinates): the base plus every window it touches.
    void marqueeChanged(const QRectF& rect);

    // A drag of the stack's window begins: it carries the selection when the stack is part of
    // it, else the stack alone. True for a drag of more than one stack.
    bool beginGroupDrag(const QUuid& id);
    // The stack's window now stands at `origin`. During a drag the leader's moves carry the
    // other dragged windows along and light up the stacks they would land on. Every move is
    // recorded in the stack's record and saved: at once without a drag; during one, at most
    // once a second and at the release, as the stacks file is rewritten whole on every save.
    void windowMoved(const QUuid& id, QPointF origin);
    // The button went up: the drag ends, and each dragged stack over another stack comes back
    // with that stack, for the caller to merge.
    QList<Drop> endGroupDrag();

    // Each dragged stack with the stack its window's centre would land on, in the order of the
    // stack list. A stack is a target when the centre lies inside its frame inset by 15 points
    // left and right and 20 points top and bottom; of several, the one whose centre is nearest.
    // Empty while the leader's window has not moved from where the drag began.
    QList<Drop> dropTargets() const;

private:
    void setSelection(QSet<QUuid> selection);
    void publish();
    std::optional<QUuid> targetOf(const Drag& drag, QRectF dragged) const;
    void updateDropTargets();
    bool recordOrigin(const QUuid& id, QPointF origin);
    void saveDuringDrag();

    StackRecords& m_records;
    StackWindows& m_windows;
    Alerts& m_alerts;
    Scheduler& m_scheduler;
    // Moves recorded during the drag and not saved yet; what the save waits in.
    bool m_unsavedMoves = false;
    QObject m_pendingSave;
    QSet<QUuid> m_selection;
    std::optional<Drag> m_drag;
    QSet<QUuid> m_hoveredTargets;
    QSet<QUuid> m_marqueeBase;
};
