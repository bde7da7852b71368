#include "operations/Dissolve.h"

#include "engine/StackManager.h"
#include "engine/StackWindowPort.h"
#include "operations/AskToConfirm.h"
#include "platform/Alerts.h"
#include "platform/Scheduler.h"

#include <QPointer>

namespace Dissolve {

namespace {

void spreadAndRemove(StackManager& manager, const QUuid& id)
{
    // Files that could not come out have been named with where they stay and why: one alert
    // is enough.
    const bool whole = manager.spread(id, false);
    manager.removeStack(id, whole);
}

} // namespace

QList<QUuid> targetsOfWindowCommand(const StackManager& manager, const QUuid& id)
{
    if (!manager.selection().selected().contains(id))
        return {id};
    QList<QUuid> targets;
    for (const DesktopStack& stack : manager.stacks()) {
        if (manager.selection().selected().contains(stack.id))
            targets.append(stack.id);
    }
    return targets;
}

void dissolveFromMenu(StackManager& manager, const QUuid& id)
{
    const QList<QUuid> targets = targetsOfWindowCommand(manager, id);
    // An alert shown on the way runs the event loop, and the manager may go meanwhile.
    const QPointer<StackManager> alive(&manager);
    for (const QUuid& target : targets) {
        if (!alive)
            return;
        spreadAndRemove(manager, target);
    }
}

void dissolveAfterAnimation(StackManager& manager, const QUuid& id)
{
    spreadAndRemove(manager, id);
}

void dissolveAll(StackManager& manager)
{
    Alerts& alerts = manager.services().alerts;
    const qsizetype count = manager.stacks().size();
    if (count == 0)
        return alerts.beep();
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.message = count == 1 ? QStringLiteral("Dissolve the stack?")
                               : QStringLiteral("Dissolve all ") + QString::number(count) +
                                     QStringLiteral(" stacks?");
    alert.informativeText =
        QStringLiteral("Every file goes back on your Desktop, and the stacks are removed.");
    alert.buttons = {QStringLiteral("Dissolve"), QStringLiteral("Cancel")};
    alert.defaultButton = 0;
    if (!askToConfirm(alerts, alert))
        return;

    QList<QUuid> ids;
    for (const DesktopStack& stack : manager.stacks())
        ids.append(stack.id);
    Scheduler& scheduler = manager.services().scheduler;
    const QPointer<StackManager> alive(&manager);
    manager.reports().hold();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const QUuid id = ids.at(i);
        // A stack whose files did not all come out has been told about; it is not spread again.
        const bool whole = manager.spread(id, false);
        scheduler.after(std::chrono::milliseconds(80 * i), &manager, [&manager, id, whole] {
            if (!whole)
                manager.removeStack(id, false);
            else if (StackWindowPort* window = manager.windows().window(id))
                window->startDissolveAnimation();
            else
                spreadAndRemove(manager, id);
        });
    }
    if (alive)
        manager.reports().release();
}

} // namespace Dissolve
