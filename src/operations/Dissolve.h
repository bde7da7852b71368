#pragma once

#include <QList>
#include <QUuid>

class StackManager;

// Dissolving: a stack's files go back onto the Desktop and the stack is forgotten.
namespace Dissolve {

// What a stack window's command acts on: the whole selection, in list order, when the window's
// stack is selected; otherwise that stack alone.
QList<QUuid> targetsOfWindowCommand(const StackManager& manager, const QUuid& id);
// A window's "Dissolve" command: every target, at once, without asking.
void dissolveFromMenu(StackManager& manager, const QUuid& id);
// The end of a window's dissolve animation.
void dissolveAfterAnimation(StackManager& manager, const QUuid& id);
// "Dissolve All Stacks…": asks, spreads every stack at once, then lets the windows vanish one
// after another, 0.08 s apart.
void dissolveAll(StackManager& manager);

} // namespace Dissolve
