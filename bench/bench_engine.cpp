// Times the stacking engine against the file system work it cannot avoid: stacking 1,000
// Desktop files and spreading them again (with the fake desktop program and windows, the icon
// placement passes included), next to a bare loop that renames the same 1,000 files into a
// folder and back. It is run on the temporary folder's file system and, where it differs, on
// /dev/shm (a tmpfs: no cost for the durable writes of the stacks file).

#include "BenchSupport.h"
#include "TestServices.h"
#include "engine/StackManager.h"
#include "operations/StackRemoval.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <functional>

namespace {

constexpr int desktopFiles = 1000;
constexpr int runs = 7;

// The ratio of the medians, and that of the fastest runs: the cost when nothing else competes
// for the machine.
void compare(const char* what, Timing measured, const char* bare, Timing baseline, double target)
{
    std::printf("  %-34s %9.2f ms\n  %-34s %9.2f ms\n  %s: %.2fx bare (target <= %.1fx); "
                "fastest runs %.2fx\n\n",
                what, measured.median, bare, baseline.median, what,
                measured.median / baseline.median, target, measured.fastest / baseline.fastest);
}

QString fileName(int i)
{
    return QStringLiteral("file %1.txt").arg(i, 4, 10, QLatin1Char('0'));
}

void stackAndSpread()
{
    TestServices t;
    for (int i = 0; i < desktopFiles; ++i) {
        t.home.write(QStringLiteral("Desktop/") + fileName(i), "x");
        t.desktop.setIcon(fileName(i), QPointF(60 + 40 * (i % 30), 40 + 20 * (i / 30)));
    }
    StackManager& manager = t.manager();
    QStringList names;
    QStringList paths;
    for (int i = 0; i < desktopFiles; ++i) {
        names.append(fileName(i));
        paths.append(t.desktopPath(fileName(i)));
    }
    t.desktop.select(paths);

    // As "Stack Selected Files" does it: one selection query, the stack, then the spread with
    // both placement passes and the refresh.
    const Timing engine = timeRuns(
        runs,
        [&] {
            manager.stackSelection();
            t.scheduler.runUntilIdle();
            manager.spread(manager.stacks().last().id, false);
            t.scheduler.runUntilIdle();
        },
        [&] {
            // The last run's stack is spread: forget it (its folder is empty and goes).
            if (!manager.stacks().isEmpty())
                manager.operations().removal.removeStack(manager.stacks().last().id, false);
            t.scheduler.runUntilIdle();
        });

    const QString desktop = t.paths.desktop();
    const QString folder = t.home.makeFolder(QStringLiteral("Documents/.Tidora/bare"));
    const Timing bare = timeRuns(runs, [&] {
        for (const QString& name : std::as_const(names))
            requireOk(
                t.fs.move(desktop + QLatin1Char('/') + name, folder + QLatin1Char('/') + name),
                "rename");
        for (const QString& name : std::as_const(names))
            requireOk(
                t.fs.move(folder + QLatin1Char('/') + name, desktop + QLatin1Char('/') + name),
                "rename");
    });
    compare("stack + spread 1,000 files", engine, "bare rename there and back", bare, 1.5);
}

void runAll(const char* where)
{
    std::printf("On %s:\n", where);
    stackAndSpread();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    runAll(qPrintable(QDir::tempPath()));
    if (QDir::tempPath() != QLatin1String("/dev/shm") &&
        QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        qputenv("TMPDIR", "/dev/shm");
        runAll("/dev/shm");
    }
    return 0;
}
