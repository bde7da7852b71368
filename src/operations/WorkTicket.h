#pragma once

#include <QPointer>

#include <functional>
#include <memory>

class UndoState;

// One piece of work run as work: while any copy of its token lives, isWorking stays set.
//
// An operation that finishes before it returns simply lets its token go. One that goes on
// later (a background query, a delay on the Scheduler) keeps a copy of the token in each task
// that belongs to the work; the work ends when the last of them has run or has been dropped.
// A dropped task (its context gone) therefore cannot leave the menu blocked.
class WorkTicket
{
public:
    explicit WorkTicket(UndoState& state);
    ~WorkTicket();
    WorkTicket(const WorkTicket&) = delete;
    WorkTicket& operator=(const WorkTicket&) = delete;

private:
    QPointer<UndoState> m_state;
};

using WorkToken = std::shared_ptr<WorkTicket>;
// An operation run as work, handed the token of its work.
using Work = std::function<void(WorkToken)>;
