// Kills the real program with SIGKILL at random moments of its operations, many times, and
// counts what the files suffered. Run under scripts/with-x11.sh:
//     bench_crashkill [kills, default 500] [seed, default random] [files, default 300]
#include "CrashKillRun.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    CrashKillRun::Options options;
    options.maxKills = arguments.size() > 1 ? arguments.at(1).toInt() : 500;
    options.minKills = options.maxKills;
    options.seed = arguments.size() > 2 ? arguments.at(2).toULongLong()
                                        : QRandomGenerator::global()->generate64();
    options.files = arguments.size() > 3 ? arguments.at(3).toInt() : 300;
    options.log = [](const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); };
    std::printf("seed %llu\n", static_cast<unsigned long long>(options.seed));

    CrashKillRun run(options);
    QString error;
    if (!run.setUp(&error)) {
        std::fprintf(stderr, "bench_crashkill: %s\n", qPrintable(error));
        return 1;
    }
    const CrashKillRun::Tally tally = run.run();
    for (const QString& fault : tally.faults)
        std::printf("%s\n", qPrintable(fault));
    std::printf("kills %d (mid-operation %d)\nfiles %d\nlost %d\nduplicated %d\nrenamed %d\n"
                "changed or replaced %d\nrecords inconsistent %d\nbait touched %d\n"
                "alerts answered %d\n",
                tally.kills, tally.midOperation, tally.files, tally.counts.lost,
                tally.counts.duplicated, tally.counts.renamed, tally.counts.changed,
                tally.counts.inconsistent, tally.counts.baitTouched, tally.alerts);
    return tally.counts.any() ? 2 : 0;
}
