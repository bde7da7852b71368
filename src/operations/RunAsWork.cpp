#include "operations/RunAsWork.h"

#include "operations/UndoState.h"
#include "platform/Scheduler.h"

void runAsWork(Scheduler& scheduler, UndoState& state, QObject& context, Work operation)
{
    startWork(scheduler, state, context, std::chrono::milliseconds(50), std::move(operation));
}

bool startWork(Scheduler& scheduler, UndoState& state, QObject& context,
               std::chrono::milliseconds delay, Work operation)
{
    if (state.isWorking())
        return false;
    state.setIsWorking(true);
    auto token = std::make_shared<WorkTicket>(state);
    scheduler.after(delay, &context,
                    [operation = std::move(operation), token = std::move(token)]() mutable {
                        operation(std::move(token));
                    });
    return true;
}
