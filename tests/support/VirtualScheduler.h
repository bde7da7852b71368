#pragma once

#include "platform/Scheduler.h"

#include <QPointer>

#include <vector>

// A scheduler on a virtual clock: nothing runs until the test advances time. Background work
// runs on the GUI thread, at the moment it would have been picked up, followed by its result.
class VirtualScheduler : public Scheduler
{
public:
    void after(std::chrono::milliseconds delay, QObject* context, Task task) override;
    void inBackground(QObject* context, BackgroundWork work) override;

    // Runs, in order of their due time (then of scheduling), every task due within `span`,
    // including tasks those tasks schedule; then the clock stands at now + span.
    void advance(std::chrono::milliseconds span);
    // Advances until nothing is left (at most `limit` of virtual time).
    void runUntilIdle(std::chrono::milliseconds limit = std::chrono::minutes(10));

    std::chrono::milliseconds now() const { return m_now; }
    // Whether what runs now is background work (it would be on a worker thread).
    bool inBackgroundWork() const { return m_inBackgroundWork; }
    int pending() const { return int(m_queue.size()); }
    // The delays asked for, in the order they were asked (background work counts as 0).
    const std::vector<std::chrono::milliseconds>& requestedDelays() const { return m_delays; }

private:
    struct Entry
    {
        std::chrono::milliseconds due;
        quint64 order;
        QPointer<QObject> context;
        bool hadContext;
        Task task;
    };

    void schedule(std::chrono::milliseconds delay, QObject* context, Task task);

    std::chrono::milliseconds m_now{0};
    quint64 m_order = 0;
    std::vector<Entry> m_queue;
    std::vector<std::chrono::milliseconds> m_delays;
    bool m_inBackgroundWork = false;
};
