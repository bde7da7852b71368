#include "operations/RunAsWork.h"

#include "engine/StackManager.h"
#include "operations/UndoState.h"
#include "platform/Scheduler.h"

void runAsWork(StackManager& manager, Work operation)
{
    startWork(manager, std::chrono::milliseconds(50), std::move(operation));
}

bool startWork(StackManager& manager, std::chrono::milliseconds delay, Work operation)
{
    UndoState& state = manager.undoState();
    if (state.isWorking())
        return false;
    state.setIsWorking(true);
    auto token = std::make_shared<WorkTicket>(state);
    manager.services().scheduler.after(
        delay, &manager, [operation = std::move(operation), token = std::move(token)]() mutable {
            operation(std::move(token));
        });
    return true;
}
