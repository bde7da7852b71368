#pragma once

#include "operations/WorkTicket.h"

#include <chrono>

class QObject;
class Scheduler;
class UndoState;

// Runs an operation as work: refused (silently) while other work runs; otherwise isWorking is
// set at once, the operation starts after 0.05 s, and isWorking is cleared when the operation
// has run to its end, which is when the last copy of its token is gone (see WorkTicket). The
// operation does not start once `context` is gone.
void runAsWork(Scheduler& scheduler, UndoState& state, QObject& context, Work operation);
// The same with another delay before the operation starts. False when it was refused.
bool startWork(Scheduler& scheduler, UndoState& state, QObject& context,
               std::chrono::milliseconds delay, Work operation);
