#include "operations/Dissolver.h"

#include "engine/MoveReports.h"
#include "engine/Spreader.h"
#include "engine/StackRecords.h"
#include "engine/StackSelection.h"
#include "engine/StackWindowPort.h"
#include "engine/StackWindows.h"
#include "operations/AskToConfirm.h"
#include "operations/StackRemoval.h"
#include "platform/Alerts.h"
#include "platform/Scheduler.h"

#include <QPointer>

Dissolver::Dissolver(Alerts& alerts, Scheduler& scheduler, const StackRecords& records,
                     const StackSelection& selection, StackWindows& windows, MoveReports& reports,
                     StackRemoval& removal, Spreader& spreader, QObject& context)
    : m_alerts(alerts)
    , m_scheduler(scheduler)
    , m_records(records)
    , m_selection(selection)
    , m_windows(windows)
    , m_reports(reports)
    , m_removal(removal)
    , m_spreader(spreader)
    , m_context(context)
{}

void Dissolver::spreadAndRemove(const QUuid& id)
{
    // Files that could not come out have been named with where they stay and why: one alert
    // is enough.
    const bool whole = m_spreader.spread(id, false);
    m_removal.removeStack(id, whole);
}

QList<QUuid> Dissolver::targetsOfWindowCommand(const QUuid& id) const
{
    if (!m_selection.selected().contains(id))
        return {id};
    QList<QUuid> targets;
    for (const DesktopStack& stack : m_records.all()) {
        if (m_selection.selected().contains(stack.id))
            targets.append(stack.id);
    }
    return targets;
}

void Dissolver::dissolveFromMenu(const QUuid& id)
{
    const QList<QUuid> targets = targetsOfWindowCommand(id);
    // An alert shown on the way runs the event loop, and the manager may go meanwhile.
    const QPointer<QObject> alive(&m_context);
    for (const QUuid& target : targets) {
        if (!alive)
            return;
        spreadAndRemove(target);
    }
}

void Dissolver::dissolveAfterAnimation(const QUuid& id)
{
    spreadAndRemove(id);
}

void Dissolver::dissolveAll()
{
    const qsizetype count = m_records.all().size();
    if (count == 0)
        return m_alerts.beep();
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.message = count == 1 ? QStringLiteral("Dissolve the stack?")
                               : QStringLiteral("Dissolve all ") + QString::number(count) +
                                     QStringLiteral(" stacks?");
    alert.informativeText =
        QStringLiteral("Every file goes back on your Desktop, and the stacks are removed.");
    alert.buttons = {QStringLiteral("Dissolve"), QStringLiteral("Cancel")};
    alert.defaultButton = 0;
    if (!askToConfirm(m_alerts, alert))
        return;

    const QList<QUuid> ids = m_records.ids();
    const QPointer<QObject> alive(&m_context);
    m_reports.hold();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const QUuid id = ids.at(i);
        // A stack whose files did not all come out has been told about; it is not spread again.
        const bool whole = m_spreader.spread(id, false);
        m_scheduler.after(std::chrono::milliseconds(80 * i), &m_context, [this, id, whole] {
            if (!whole)
                m_removal.removeStack(id, false);
            else if (StackWindowPort* window = m_windows.window(id))
                window->startDissolveAnimation();
            else
                spreadAndRemove(id);
        });
    }
    if (alive)
        m_reports.release();
}
