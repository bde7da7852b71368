// Times the launch step at the size of a well-filled Desktop, 200 stacks of 50 files, next to
// a bare walk that lists the same folders and stats every file in them: with everything in
// place, with every stack folder renamed while the program was not running, and with the
// stacks file gone (every stack recovered from its folder and saved). Run on the temporary
// folder's file system and, where it differs, on /dev/shm (a tmpfs).

#include "BenchSupport.h"
#include "TestServices.h"
#include "engine/StackManager.h"
#include "store/StackListFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <functional>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int stackCount = 200;
constexpr int itemsPerStack = 50;
constexpr int runs = 11;

Timing timed(const std::function<void()>& step, const std::function<void()>& prepare = {})
{
    return timeRuns(runs, step, prepare);
}

// Lists every folder inside `storage` and stats each entry: what any launch has to read.
int bareWalk(const QString& storage)
{
    int seen = 0;
    const QByteArray root = QFile::encodeName(storage);
    DIR* top = ::opendir(root.constData());
    if (!top)
        return 0;
    struct stat info;
    while (const dirent* folder = ::readdir(top)) {
        if (folder->d_name[0] == '.')
            continue;
        const QByteArray path = root + '/' + folder->d_name;
        ::lstat(path.constData(), &info);
        DIR* inner = ::opendir(path.constData());
        if (!inner)
            continue;
        while (const dirent* entry = ::readdir(inner)) {
            if (entry->d_name[0] == '.')
                continue;
            const QByteArray file = path + '/' + entry->d_name;
            ::lstat(file.constData(), &info);
            ++seen;
        }
        ::closedir(inner);
    }
    ::closedir(top);
    return seen;
}

// The launch cases on the temporary folder's file system; `only` names one case to run alone
// ("in-place", "renamed", "lost"), for profiling.
void runAll(const char* where, const QString& only)
{
    TestServices t;
    t.settings.setValue(SettingsKey::acknowledgedHiddenStorage, true);
    const QString storage = t.storageFolder();

    const QList<DesktopStack> stacks =
        makeBenchStacks(storage, stackCount, itemsPerStack, t.bookmarks());
    StackListFile file(t.paths, t.fs);
    (void)file.saveStackList(stacks);
    t.relaunch();

    std::printf("On %s: %d stacks x %d items, Qt %s; median of %d runs\n", where, stackCount,
                itemsPerStack, qVersion(), runs);
    int walked = 0;
    const Timing walk = timed([&] { walked = bareWalk(storage); });
    std::printf("  %-44s %8.2f ms  (%d files)\n", "bare walk: list the folders, stat the files",
                walk.median, walked);

    // The ratio of the medians, and that of the fastest runs: the cost when nothing else
    // competes for the machine. No target is set for a lost stacks file: recovering every
    // stack is rare.
    const auto report = [&](const char* what, Timing ms, double target) {
        std::printf("  %-44s %8.2f ms  %.2fx the bare walk", what, ms.median,
                    ms.median / walk.median);
        if (target > 0)
            std::printf(" (target <= %.0fx)", target);
        std::printf("; fastest runs %.2fx\n", ms.fastest / walk.fastest);
    };
    const auto wanted = [&](const char* name) {
        return only.isEmpty() || only == QLatin1String(name);
    };
    qsizetype shown = 0;
    const auto launch = [&] { shown = t.relaunch().stacks().size(); };
    if (wanted("in-place"))
        report("restoreAtLaunch, everything in place", timed(launch), 2);

    int generation = 0;
    const auto renameAll = [&] {
        ++generation;
        QDir folder(storage);
        for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            folder.rename(name, name + QStringLiteral(" r%1").arg(generation));
    };
    if (wanted("renamed")) {
        report("restoreAtLaunch, every folder renamed", timed(launch, renameAll), 4);
        if (t.manager().stacks().size() != stackCount || shown != stackCount)
            std::printf("    %lld stacks after the renames!\n",
                        static_cast<long long>(t.manager().stacks().size()));
    }

    const auto loseList = [&] { QFile::remove(file.stacksFileURL()); };
    if (wanted("lost")) {
        report("restoreAtLaunch, stacks file lost", timed(launch, loseList), 0);
        std::printf("    recovered %lld stacks, %lld alerts shown\n", static_cast<long long>(shown),
                    static_cast<long long>(t.alerts.shown.size()));
    }
    std::printf("\n");
}

} // namespace

// Usage: bench_launch [in-place|renamed|lost]
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    runAll(qPrintable(QDir::tempPath()), only);
    if (QDir::tempPath() != QLatin1String("/dev/shm") &&
        QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        qputenv("TMPDIR", "/dev/shm");
        runAll("/dev/shm", only);
    }
    return 0;
}
