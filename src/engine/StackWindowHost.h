#pragma once

#include <QList>
#include <QPointF>
#include <QSet>
#include <QStringList>
#include <QUuid>

// What a stack window asks of the owner of the stacks: everything the user does with a window
// ends in one of these calls, each the StackManager operation of the same name.
// ManagerWindowHost answers them with the manager; once the manager is gone every call does
// nothing and answers what a window on its own needs, as each call says.
class StackWindowHost
{
public:
    virtual ~StackWindowHost() = default;

    // --- Selection ----------------------------------------------------------------------------

    // The selected stacks (empty once the manager is gone).
    virtual QSet<QUuid> selection() const = 0;
    // The selection becomes this stack alone; selectIfNeeded leaves a selection that holds it.
    virtual void selectOnly(const QUuid& id) = 0;
    virtual void selectIfNeeded(const QUuid& id) = 0;
    // Puts the stack into the selection, or takes it out when it was there; answers whether it
    // is selected now (false once the manager is gone).
    virtual bool toggleSelection(const QUuid& id) = 0;
    // The stacks a window command acts on: every selected stack, in stack order, when this one
    // is selected; otherwise this one alone (also once the manager is gone).
    virtual QList<QUuid> targetsOfWindowCommand(const QUuid& id) const = 0;

    // --- Window drags -------------------------------------------------------------------------

    // A drag of the stack's window begins; true when it carries other selected stacks.
    virtual bool beginGroupDrag(const QUuid& id) = 0;
    // The stack's window now stands at `origin` (screen coordinates).
    virtual void windowMoved(const QUuid& id, QPointF origin) = 0;
    // The button went up; true when the release was consumed (the dragged stacks were merged
    // into the ones they were dropped on), so the window neither toggles nor dissolves.
    virtual bool endGroupDrag() = 0;

    // --- Stacking -----------------------------------------------------------------------------

    // Spreads a collapsed stack; restacks a spread one, letting files moved away leave.
    virtual void toggle(const QUuid& id) = 0;
    virtual void spread(const QUuid& id, bool inGrid) = 0;
    virtual void restack(const QUuid& id, bool letMovedLeave) = 0;
    virtual void arrangeInGrid(const QUuid& id) = 0;
    virtual void addFiles(const QStringList& paths, const QUuid& id) = 0;
    // Brings the record in line with what the stack's folder holds now (a file was dragged out
    // of the preview, say).
    virtual void syncWithFolder(const QUuid& id) = 0;

    // --- Operations ---------------------------------------------------------------------------

    // Spreads and removes every target of the window.
    virtual void dissolveFromMenu(const QUuid& id) = 0;
    // Spreads and removes the stack once its window has animated away.
    virtual void dissolveAfterAnimation(const QUuid& id) = 0;
    virtual void convertStacks(const QList<QUuid>& ids) = 0;
    virtual void moveStacksToBin(const QList<QUuid>& ids) = 0;
    virtual void renameStack(const QUuid& id) = 0;
    // Long work runs, so the Bin is out of reach (false once the manager is gone).
    virtual bool isWorking() const = 0;
};
