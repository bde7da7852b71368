#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QUuid>

#include <utility>

class StackManager;

// Stack windows selected like Desktop icons: by clicks and by a marquee on the Desktop. A
// selected group moves together when one of its windows is dragged, and a stack dropped on
// another stack is merged into it. The stack windows and the Desktop marquee call these through
// the manager; everything runs on the GUI thread.
namespace GroupMoves {

// Puts the stack into the selection, or takes it out when it was there. Whether it is selected
// now.
bool toggleSelection(StackManager& manager, const QUuid& id);
// The selection becomes this stack alone.
void selectOnly(StackManager& manager, const QUuid& id);
// As selectOnly, unless the stack is selected already.
void selectIfNeeded(StackManager& manager, const QUuid& id);

// Every mouse press: one outside a stack window clears the selection, except a press on the
// Desktop with the additive modifier, which keeps it as the base of the new marquee.
void marqueeBegan(StackManager& manager, bool onDesktop, bool additive);
// The marquee now covers `rect` (screen coordinates): the base plus every window it touches.
void marqueeChanged(StackManager& manager, const QRectF& rect);

// A drag of the stack's window begins: it carries the selection when the stack is part of it,
// else the stack alone. True for a drag of more than one stack.
bool beginGroupDrag(StackManager& manager, const QUuid& id);
// The stack's window now stands at `origin`. During a drag the leader's moves carry the other
// dragged windows along and light up the stacks they would land on; every move is recorded in
// the stack's record and saved.
void windowMoved(StackManager& manager, const QUuid& id, QPointF origin);
// The button went up: each dragged stack over another stack is merged into it. True when a
// merge consumed the release.
bool endGroupDrag(StackManager& manager);

// Each dragged stack with the stack its window's centre would land on, in the order of the
// stack list. A stack is a target when the centre lies inside its frame inset by 15 points
// left and right and 20 points top and bottom; of several, the one whose centre is nearest.
// Empty while the leader's window has not moved from where the drag began.
QList<std::pair<QUuid, QUuid>> dropTargets(const StackManager& manager);

} // namespace GroupMoves
