#pragma once

#include <QObject>

#include <chrono>
#include <functional>

// Every delay and every background query goes through here, so tests can run them on a
// virtual clock instead of sleeping.
class Scheduler
{
public:
    using Task = std::function<void()>;
    // Runs off the GUI thread and returns what to apply back on the GUI thread.
    using BackgroundWork = std::function<Task()>;

    virtual ~Scheduler() = default;

    // Runs task on the GUI thread after delay, unless context has been destroyed by then.
    virtual void after(std::chrono::milliseconds delay, QObject* context, Task task) = 0;
    // Runs work on a worker thread, then its result on the GUI thread (dropped when context is
    // gone by then).
    virtual void inBackground(QObject* context, BackgroundWork work) = 0;

    void soon(QObject* context, Task task)
    {
        after(std::chrono::milliseconds(0), context, std::move(task));
    }
};
