// Times one step of a stack window drag with a well-filled Desktop, 200 stacks of 50 files: the
// window reports its new origin, the manager records it (and those of the windows dragged
// along), looks for drop targets and saves the whole stack list, as it does on every step.
// Prints the step for a single window and for a group of three, and what the save alone costs.

#include "TestServices.h"
#include "engine/StackManager.h"
#include "engine/StackRecords.h"
#include "engine/StackSelection.h"
#include "engine/StackWindows.h"
#include "store/StackListFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStorageInfo>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int stackCount = 200;
constexpr int itemsPerStack = 50;
// About a second and a half of dragging at 60 steps a second.
constexpr int steps = 101;

struct Timing
{
    double median = 0;
    double fastest = 0;
    double slowest = 0;
};

// `steps` timings of `step(i)`, in milliseconds, with `pause` between them (a drag's steps come
// about 16 ms apart, which lets the disk catch up as it would).
Timing timed(const std::function<void(int)>& step, int pauseMs)
{
    std::vector<double> times;
    for (int i = 0; i < steps; ++i) {
        QElapsedTimer timer;
        timer.start();
        step(i);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (pauseMs > 0) {
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < pauseMs)
                QCoreApplication::processEvents(QEventLoop::AllEvents, pauseMs);
        }
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

void print(const char* what, Timing timing, const char* note)
{
    std::printf("%-44s %7.3f ms  (fastest %6.3f, slowest %7.3f)  %s\n", what, timing.median,
                timing.fastest, timing.slowest, note);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TestServices t;
    StackManager& manager = t.manager();

    // 10,000 files in 200 stack folders, each with a bookmark; windows in a grid.
    const QString storage = t.folders.storageFolder();
    QList<DesktopStack> stacks;
    for (int s = 0; s < stackCount; ++s) {
        const QString name = QStringLiteral("%1 Screenshots %2").arg(itemsPerStack).arg(s);
        const QString folder = storage + QLatin1Char('/') + name;
        QDir().mkpath(folder);
        DesktopStack stack{QUuid::createUuid(),
                           name,
                           name,
                           StackState::collapsed,
                           QPointF(40 + (s % 20) * 60.5, 40 + (s / 20) * 70.25),
                           {}};
        for (int i = 0; i < itemsPerStack; ++i) {
            const QString file =
                folder + QStringLiteral("/Screenshot 2024-05-01 at 10.%1.%2.png").arg(s).arg(i);
            QFile(file).open(QIODevice::WriteOnly);
            stack.items.append(StackItem{QUuid::createUuid(), QFileInfo(file).fileName(),
                                         t.bookmarks().make(file).value_or(QByteArray()),
                                         QPointF(40.0 + i * 24.5, 60.0 + s * 1.25)});
        }
        stacks.append(stack);
    }
    manager.operations().records.replaceAll(stacks);
    manager.operations().records.refreshFlags();
    manager.operations().records.save();
    for (const DesktopStack& stack : std::as_const(stacks))
        manager.windows().showWindow(stack);

    const QString file = manager.operations().records.file().stacksFileURL();
    const QStorageInfo volume(file);
    std::printf("%d stacks x %d items, Qt %s, %s build; stacks.json %lld bytes on %s (%s); "
                "median of %d steps\n",
                stackCount, itemsPerStack, qVersion(),
#ifdef NDEBUG
                "release",
#else
                "debug",
#endif
                static_cast<long long>(QFileInfo(file).size()), volume.device().constData(),
                volume.fileSystemType().constData(), steps);

    // A single window dragged across the others: the drop targets light up and go out.
    const QUuid leader = stacks.at(0).id;
    FakeStackWindow* window = t.windows.window(leader);
    const QPointF start = window->frameOrigin();
    const auto dragStep = [&](int i) {
        const QPointF origin = start + QPointF(3.0 * (i + 1), 1.5 * (i + 1));
        window->drag(origin);
        manager.selection().windowMoved(leader, origin);
    };
    for (const int pause : {16, 0}) {
        manager.selection().beginGroupDrag(leader);
        const Timing single = timed(dragStep, pause);
        (void)manager.selection().endGroupDrag();
        print(pause ? "drag step, one window, 16 ms apart" : "drag step, one window, back to back",
              single, "target: median <= 1 ms");
        window->drag(start);
        manager.selection().windowMoved(leader, start);
    }

    // Three selected windows dragged together.
    for (int s = 0; s < 3; ++s)
        manager.selection().toggleSelection(stacks.at(s).id);
    manager.selection().beginGroupDrag(leader);
    const Timing group = timed(dragStep, 16);
    // Released without merging: the drops it answers are the caller's to merge.
    (void)manager.selection().endGroupDrag();
    print("drag step, three windows, 16 ms apart", group, "target: median <= 1 ms");

    // The save alone, and the same save as a change of the files would make it.
    StackListFile& listFile = manager.operations().records.file();
    int nudge = 0;
    const auto originSave = [&](int) {
        manager.operations().records.find(leader)->windowOrigin += QPointF(++nudge % 2 ? 1 : -1, 0);
        (void)listFile.saveStackList(manager.stacks());
    };
    print("  save after one window origin changed", timed(originSave, 16), "");
    const auto itemSave = [&](int) {
        manager.operations().records.find(leader)->items[0].position +=
            QPointF(++nudge % 2 ? 1 : -1, 0);
        (void)listFile.saveStackList(manager.stacks());
    };
    print("  save after one file position changed", timed(itemSave, 16), "(flushed to disk)");
    return 0;
}
