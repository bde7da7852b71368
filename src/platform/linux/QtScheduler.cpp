#include "platform/linux/QtScheduler.h"

#include <QFuture>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

void QtScheduler::after(std::chrono::milliseconds delay, QObject* context, Task task)
{
    QTimer::singleShot(delay, context, std::move(task));
}

void QtScheduler::inBackground(QObject* context, BackgroundWork work)
{
    // With a context, the continuation runs in the context's thread and is dropped once the
    // context is gone.
    QtConcurrent::run(std::move(work)).then(context, [](const Task& apply) {
        if (apply)
            apply();
    });
}
