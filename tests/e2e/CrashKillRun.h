#pragma once

#include "E2eSession.h"
#include "FileLedger.h"
#include "StacksOnDisk.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointF>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>
#include <random>

// Kills the real program with SIGKILL at random moments of its operations, starts it again,
// lets the user do the next thing, and checks the files after it (FileLedger). One seed gives
// one sequence of operations, file choices and kill points; when exactly a kill lands still
// depends on the machine, which is the point. Needs an X display with a window manager
// (scripts/with-x11.sh) and trayer; no desktop program: icon places are not checked here.
class CrashKillRun
{
public:
    struct Options
    {
        quint64 seed = 1;
        int files = 300;
        int minKills = 30;
        int maxKills = 30;
        // No new round starts after this once minKills are done; 0 for no bound.
        int budgetSeconds = 0;
        bool stopAtFirstFault = false;
        std::function<void(const QString&)> log;
    };
    struct Tally
    {
        int kills = 0;
        // Kills that landed after the operation had moved a file and before it was done.
        int midOperation = 0;
        int files = 0;
        int alerts = 0;
        FileLedger::Counts counts;
        QStringList faults;
    };

    explicit CrashKillRun(Options options);
    ~CrashKillRun();

    // The home, the files, the tray and the first launch; false with a reason when the machine
    // cannot run it.
    bool setUp(QString* error);
    Tally run();

private:
    enum class Action {
        stack,
        spreadAll,
        stackAllAgain,
        convertAll,
        undoConvert,
        moveToBin,
        changeStorage
    };
    struct Started
    {
        QSet<QString> before;
        QElapsedTimer triggered;
        int expectedMoves = 0;
        std::function<bool()> done;
        int moved = 0;
        bool finished = false;
    };

    static QString actionName(Action action);
    QList<Action> possibleActions() const;
    Action pick(const QList<Action>& actions);
    // Starts the action; with `toKill`, returns at a random point of its progress.
    std::optional<Started> start(Action action, bool toKill);
    std::optional<Started> startOnce(Action action);
    bool launch();
    // Waits until the files and the stacks file have stopped changing and the program is
    // between operations; false when that did not come in time.
    bool waitUntilSettled();
    void killNow(const Started& started);
    void addFiles();
    void putBackByHand();
    void log(const QString& text) const;
    // What the program told the user since last asked.
    QStringList newAlerts();

    Options m_options;
    std::mt19937_64 m_random;
    std::unique_ptr<E2eSession> m_session;
    std::unique_ptr<FileLedger> m_ledger;
    std::unique_ptr<StacksOnDisk> m_disk;
    Tally m_tally;
    QSet<QString> m_reported;
    bool m_undoOffered = false;
    qsizetype m_alertsRead = 0;
};
