#pragma once

#include "platform/Scheduler.h"

// Delays on Qt timers, background work on the global thread pool.
class QtScheduler : public Scheduler
{
public:
    void after(std::chrono::milliseconds delay, QObject* context, Task task) override;
    void inBackground(QObject* context, BackgroundWork work) override;
};
