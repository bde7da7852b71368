#include "CrashKillRun.h"

#include <QRandomGenerator>
#include <QTest>

// SIGKILL at random moments of stacking, spreading, restacking, converting, undoing, trashing
// and moving the storage place, each followed by a relaunch and the user's next action; after
// each, every file is where it should be, once, unchanged. TIDORA_CRASH_SEED replays a run,
// TIDORA_CRASH_KILLS and TIDORA_CRASH_SECONDS size it.
class TestCrashKill : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killsAtRandomMomentsLoseNothing();
};

void TestCrashKill::killsAtRandomMomentsLoseNothing()
{
    CrashKillRun::Options options;
    bool given = false;
    const quint64 seed = qEnvironmentVariable("TIDORA_CRASH_SEED").toULongLong(&given);
    options.seed = given ? seed : QRandomGenerator::global()->generate64();
    const int kills = qEnvironmentVariableIntValue("TIDORA_CRASH_KILLS");
    options.minKills = std::max(30, kills);
    options.maxKills = std::max(options.minKills, 60);
    const int seconds = qEnvironmentVariableIntValue("TIDORA_CRASH_SECONDS");
    options.budgetSeconds = seconds > 0 ? seconds : 150;
    options.files = 300;
    options.stopAtFirstFault = true;
    options.log = [](const QString& line) { qInfo().noquote() << line; };
    qInfo().noquote() << "seed" << options.seed << "(TIDORA_CRASH_SEED replays it)";

    CrashKillRun run(options);
    QString error;
    QVERIFY2(run.setUp(&error), qPrintable(error));
    const CrashKillRun::Tally tally = run.run();
    qInfo().noquote() << "kills" << tally.kills << "mid-operation" << tally.midOperation << "files"
                      << tally.files;
    QVERIFY2(tally.faults.isEmpty(), qPrintable(QStringLiteral("seed %1\n").arg(options.seed) +
                                                tally.faults.join(QLatin1Char('\n'))));
    QVERIFY(tally.kills >= options.minKills);
}

QTEST_GUILESS_MAIN(TestCrashKill)
#include "tst_crashkill.moc"
