#pragma once

#include "platform/Bookmarks.h"
#include "platform/Status.h"
#include "store/DesktopStack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringList>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

// Stops the benchmark when a step it measures failed: its figures would mean nothing.
inline void requireOk(const Status& status, const char* what)
{
    if (status)
        return;
    std::fprintf(stderr, "%s failed: %s\n", what, qPrintable(status.description()));
    std::exit(1);
}

struct Timing
{
    double median = 0;
    double fastest = 0;
};

// Wall time by default. With TIDORA_BENCH_CLOCK=cpu, the processor time of this thread (its
// system calls included, waits for the disk not): on a machine shared with other work, that
// compares two builds far more steadily than wall time does.
inline double nowMs()
{
    static const bool cpu = qgetenv("TIDORA_BENCH_CLOCK") == "cpu";
    timespec now{};
    ::clock_gettime(cpu ? CLOCK_THREAD_CPUTIME_ID : CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// `runs` timings of `step`, in milliseconds; `prepare` runs untimed before each. The fastest run
// shows the cost when nothing else competes for the machine.
inline Timing timeRuns(int runs, const std::function<void()>& step,
                       const std::function<void()>& prepare = {})
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        if (prepare)
            prepare();
        const double start = nowMs();
        step();
        times.push_back(nowMs() - start);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

// A well-filled Desktop's worth of stacks: `stackCount` folders of `itemsPerStack` empty files
// in `storage`, each file with a bookmark from `maker`. The paths of the files go to `files`.
inline QList<DesktopStack> makeBenchStacks(const QString& storage, int stackCount,
                                           int itemsPerStack, Bookmarks& maker,
                                           QStringList* files = nullptr)
{
    QList<DesktopStack> stacks;
    for (int s = 0; s < stackCount; ++s) {
        const QString name = QStringLiteral("%1 Screenshots %2").arg(itemsPerStack).arg(s);
        const QString folder = storage + QLatin1Char('/') + name;
        QDir().mkpath(folder);
        DesktopStack stack{QUuid::createUuid(),
                           name,
                           name,
                           StackState::collapsed,
                           QPointF(100.5 + s, 200.25 + s),
                           {}};
        for (int i = 0; i < itemsPerStack; ++i) {
            const QString file =
                folder + QStringLiteral("/Screenshot 2024-05-01 at 10.%1.%2.png").arg(s).arg(i);
            QFile(file).open(QIODevice::WriteOnly);
            if (files)
                files->append(file);
            stack.items.append(StackItem{QUuid::createUuid(), QFileInfo(file).fileName(),
                                         maker.make(file).value_or(QByteArray()),
                                         QPointF(40.0 + i * 24.5, 60.0 + s * 1.25)});
        }
        stacks.append(stack);
    }
    return stacks;
}
