#pragma once

#include <QList>
#include <QUuid>

class Alerts;
class MoveReports;
class QObject;
class Scheduler;
class Spreader;
class StackRecords;
class StackRemoval;
class StackSelection;
class StackWindows;

// Dissolving: a stack's files go back onto the Desktop and the stack is forgotten.
class Dissolver
{
public:
    // `context`: dissolving stops when it goes (an alert runs the event loop), and so do the
    // staggered removals.
    Dissolver(Alerts& alerts, Scheduler& scheduler, const StackRecords& records,
              const StackSelection& selection, StackWindows& windows, MoveReports& reports,
              StackRemoval& removal, Spreader& spreader, QObject& context);

    // What a stack window's command acts on: the whole selection, in list order, when the
    // window's stack is selected; otherwise that stack alone.
    QList<QUuid> targetsOfWindowCommand(const QUuid& id) const;
    // A window's "Dissolve" command: every target, at once, without asking.
    void dissolveFromMenu(const QUuid& id);
    // The end of a window's dissolve animation.
    void dissolveAfterAnimation(const QUuid& id);
    // "Dissolve All Stacks…": asks, spreads every stack at once, then lets the windows vanish
    // one after another, 0.08 s apart.
    void dissolveAll();

private:
    void spreadAndRemove(const QUuid& id);

    Alerts& m_alerts;
    Scheduler& m_scheduler;
    const StackRecords& m_records;
    const StackSelection& m_selection;
    StackWindows& m_windows;
    MoveReports& m_reports;
    StackRemoval& m_removal;
    Spreader& m_spreader;
    QObject& m_context;
};
