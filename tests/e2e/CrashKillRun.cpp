#include "CrashKillRun.h"

#include "E2eTools.h"
#include "TidoraProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QThread>

#include <csignal>

namespace {

constexpr int stepTimeoutMs = 20000;
// How long an action may take to show its first effect before it counts as missed.
constexpr int missedAfterMs = 8000;

} // namespace

CrashKillRun::CrashKillRun(Options options)
    : m_options(std::move(options))
    , m_random(m_options.seed)
{}

CrashKillRun::~CrashKillRun() = default;

void CrashKillRun::log(const QString& text) const
{
    if (m_options.log)
        m_options.log(text);
}

bool CrashKillRun::setUp(QString* error)
{
    m_session = std::make_unique<E2eSession>();
    E2eSession::Options session;
    session.launch = false;
    if (!m_session->setUp(session, error))
        return false;
    m_disk = std::make_unique<StacksOnDisk>(m_session->home());
    // Bait beside the storage folder: the ledger sees it touched like anything else outside
    // the places files may be.
    for (int i = 0; i < 20; ++i)
        m_session->home().write(QStringLiteral("Documents/bait-%1.txt").arg(i),
                                "bait " + QByteArray::number(i));
    m_ledger = std::make_unique<FileLedger>(m_session->home(), m_disk->storageRoots());
    addFiles();
    if (!launch()) {
        *error = QStringLiteral("the program does not launch:\n") + m_session->app().output();
        return false;
    }
    return true;
}

void CrashKillRun::addFiles()
{
    static const QStringList kinds{QStringLiteral("txt"), QStringLiteral("png"),
                                   QStringLiteral("pdf"), QStringLiteral("md")};
    for (int i = 1; i <= m_options.files; ++i) {
        const QString name = QStringLiteral("file %1.%2")
                                 .arg(i, 4, 10, QLatin1Char('0'))
                                 .arg(kinds.at(i % kinds.size()));
        m_ledger->addFile(name, quint32(m_random()));
    }
    m_tally.files = m_ledger->trackedCount();
}

void CrashKillRun::putBackByHand()
{
    // Files the program no longer offers to put back (converted folders once the undo is gone,
    // the Trash) go back onto the Desktop by hand, as a user would, so every round has files
    // to work on. Same file, same name: the ledger does not notice.
    QDir desktop(m_session->home().desktop());
    // A stack's own files stay where they are, wherever that is.
    const QSet<QString> listed = m_disk->listedNames();
    const QHash<QString, QString> originalNames = m_ledger->originalNames();
    const QString trash = m_session->home().trashFiles();
    QStringList emptied;
    if (!m_undoOffered) {
        for (const QString& folder : m_disk->convertedFolders())
            emptied.append(desktop.filePath(folder));
    }
    if (m_random() % 4 == 0 || m_disk->looseFiles().size() < 10)
        emptied.append(trash);
    for (const QString& folder : std::as_const(emptied)) {
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
            const QString path = folder + QLatin1Char('/') + name;
            const QString original = originalNames.value(path, name);
            if (desktop.exists(original) || listed.contains(name) ||
                !QFile::rename(path, desktop.filePath(original)))
                continue;
            if (folder == trash)
                QFile::remove(m_session->home().dataRoot() + QStringLiteral("/Trash/info/") + name +
                              QStringLiteral(".trashinfo"));
        }
        if (folder != trash)
            QDir(folder).rmdir(folder);
    }
}

bool CrashKillRun::launch()
{
    m_undoOffered = false;
    m_alertsRead = 0;
    int alerts = 0;
    const bool launched = m_session->launch(TidoraProcess::program(), &alerts);
    if (alerts > 0)
        log(QStringLiteral("  %1 alerts at launch, answered").arg(alerts));
    m_tally.alerts += alerts;
    return launched;
}

QString CrashKillRun::actionName(Action action)
{
    static const QStringList names{QStringLiteral("stack"),           QStringLiteral("spread all"),
                                   QStringLiteral("stack all again"), QStringLiteral("convert all"),
                                   QStringLiteral("undo convert"),    QStringLiteral("move to bin"),
                                   QStringLiteral("change storage")};
    return names.value(int(action));
}

QList<CrashKillRun::Action> CrashKillRun::possibleActions() const
{
    const QList<StacksOnDisk::Stack> all = m_disk->stacks();
    QList<Action> actions;
    if (m_disk->looseFiles().size() >= 10)
        actions << Action::stack << Action::stack;
    const bool anyCollapsed = std::any_of(all.cbegin(), all.cend(),
                                          [](const StacksOnDisk::Stack& s) { return !s.expanded; });
    const bool anyExpanded = std::any_of(all.cbegin(), all.cend(),
                                         [](const StacksOnDisk::Stack& s) { return s.expanded; });
    if (anyCollapsed)
        actions << Action::spreadAll << Action::spreadAll;
    if (!all.isEmpty())
        actions << Action::moveToBin;
    if (anyExpanded)
        actions << Action::stackAllAgain << Action::stackAllAgain;
    if (!all.isEmpty())
        actions << Action::convertAll << Action::changeStorage;
    // The undo lasts as long as the program that converted.
    if (m_undoOffered && !m_disk->convertedFolders().isEmpty())
        actions << Action::undoConvert << Action::undoConvert;
    if (actions.isEmpty())
        actions << Action::changeStorage;
    return actions;
}

CrashKillRun::Action CrashKillRun::pick(const QList<Action>& actions)
{
    return actions.at(qsizetype(m_random() % quint64(actions.size())));
}

std::optional<CrashKillRun::Started> CrashKillRun::start(Action action, bool toKill)
{
    // A step of driving the screen can miss (a menu not yet taking keys): try again when
    // nothing happened. An action the program no longer offers answers nothing.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (const int shown = m_session->driver().dismissAlerts())
            m_tally.alerts += shown;
        std::optional<Started> started = startOnce(action);
        if (!started) {
            if (!m_session->app().isRunning() && !launch())
                return std::nullopt;
            continue;
        }
        // The kill point, drawn before anything moves: after a number of files from none to
        // all, or a time up to a tenth of a second after the first file moved, whichever comes
        // first; many operations take only milliseconds.
        const int target = toKill ? int(m_random() % quint64(started->expectedMoves + 1)) : 1;
        const qint64 delayNs = qint64(m_random() % 100'000'000);
        if (target == 0)
            return started;
        QElapsedTimer sinceFirst;
        const auto reached = [&] {
            started->finished = started->done();
            started->moved = m_ledger->movedSince(started->before);
            if (started->moved > 0 && !sinceFirst.isValid())
                sinceFirst.start();
            return started->moved >= target || started->finished ||
                   (toKill && sinceFirst.isValid() && sinceFirst.nsecsElapsed() >= delayNs);
        };
        const auto missed = [&] {
            return started->triggered.elapsed() >=
                   (started->moved > 0 ? stepTimeoutMs : missedAfterMs);
        };
        bool hit = false;
        if (toKill) {
            // Close polling without the event loop while files move, so the kill can land
            // between two of them.
            while (!(hit = reached()) && !missed())
                QThread::usleep(300);
        } else {
            // Ends when reached or missed; `hit` says which.
            if (!QTest::qWaitFor([&] { return (hit = reached()) || missed(); }, stepTimeoutMs))
                hit = false;
        }
        if (hit)
            return started;
        if (started->moved > 0)
            return started;
    }
    log(QStringLiteral("  %1 could not be started").arg(actionName(action)));
    if (action == Action::undoConvert)
        m_undoOffered = false;
    return std::nullopt;
}

std::optional<CrashKillRun::Started> CrashKillRun::startOnce(Action action)
{
    const QList<StacksOnDisk::Stack> all = m_disk->stacks();
    const QSet<QString> before = m_ledger->locate();
    Started started;
    bool shown = false;
    switch (action) {
    case Action::stack: {
        QStringList loose = m_disk->looseFiles();
        if (loose.isEmpty())
            return std::nullopt;
        std::shuffle(loose.begin(), loose.end(), m_random);
        const qsizetype count = std::min<qsizetype>(loose.size(), 10 + qsizetype(m_random() % 150));
        QStringList arguments{QStringLiteral("--")};
        for (const QString& name : loose.first(count))
            arguments.append(m_session->home().desktop() + QLatin1Char('/') + name);
        QProcess finder;
        const qsizetype mark = m_session->app().output().size();
        finder.start(QStringLiteral(TIDORA_FINDER), arguments);
        // The running copy says when the request reached it; the files move right after.
        shown = finder.waitForFinished(E2eTools::timeoutMs) && finder.exitCode() == 0 &&
                m_session->app().waitForOutput(QStringLiteral("URLs"), mark, missedAfterMs);
        started.expectedMoves = int(count);
        const QStringList chosen = loose.first(count);
        // Done when every chosen file has left the Desktop and a stack lists it.
        started.done = [this, chosen] {
            const QSet<QString> listed = m_disk->listedNames();
            const QDir desktop(m_session->home().desktop());
            return std::all_of(chosen.cbegin(), chosen.cend(), [&](const QString& name) {
                return listed.contains(name) && !desktop.exists(name);
            });
        };
        break;
    }
    case Action::spreadAll:
    case Action::stackAllAgain: {
        const bool spreading = action == Action::spreadAll;
        shown = m_session->driver().chooseInTrayMenu(spreading ? QStringLiteral("Spread All Stacks")
                                                               : QStringLiteral("Stack All Again"));
        for (const StacksOnDisk::Stack& stack : all)
            started.expectedMoves += stack.expanded != spreading ? int(stack.items.size()) : 0;
        started.done = [this, spreading] {
            const QList<StacksOnDisk::Stack> now = m_disk->stacks();
            return std::none_of(now.cbegin(), now.cend(), [&](const StacksOnDisk::Stack& s) {
                return s.expanded != spreading;
            });
        };
        break;
    }
    case Action::convertAll:
        m_undoOffered = true;
        shown = m_session->driver().chooseInTrayMenu(
                    QStringLiteral("Convert All Stacks into Folders\u2026")) &&
                m_session->driver().answerAlert({QStringLiteral("Return")}, missedAfterMs);
        for (const StacksOnDisk::Stack& stack : all)
            started.expectedMoves += int(stack.items.size());
        started.done = [this] { return m_disk->stacks().isEmpty(); };
        break;
    case Action::undoConvert:
        shown = m_session->driver().chooseInTrayMenu(QStringLiteral("Undo Convert into Folders"));
        started.expectedMoves = m_ledger->trackedCount() / 2;
        started.done = [this] { return m_disk->convertedFolders().isEmpty(); };
        break;
    case Action::moveToBin: {
        // Without a desktop program to say where the selection was, the windows of new stacks
        // may lie on top of each other: the stack is the one whose window the click reaches.
        QList<QRect> windows;
        // The windows of a launch that has just happened may still be on their way.
        if (!QTest::qWaitFor(
                [&] {
                    windows = m_session->driver().stackWindows();
                    return !windows.isEmpty();
                },
                3000))
            return std::nullopt;
        const QRect window = windows.at(qsizetype(m_random() % quint64(windows.size())));
        // Cancel is the default; the focus moves left to "Move to Bin" and Space presses it.
        const bool menu = m_session->driver().chooseLastInWindowMenu(QRectF(window).center());
        shown = menu && m_session->driver().answerAlert(
                            {QStringLiteral("shift+Tab"), QStringLiteral("space")}, missedAfterMs);
        if (!shown)
            log(QStringLiteral("  no %1 on the stack window at %2,%3")
                    .arg(menu ? QStringLiteral("alert") : QStringLiteral("menu"))
                    .arg(window.x())
                    .arg(window.y()));
        for (const StacksOnDisk::Stack& stack : all)
            started.expectedMoves = std::max(started.expectedMoves, int(stack.items.size()));
        const qsizetype before = all.size();
        started.done = [this, before] { return m_disk->stacks().size() < before; };
        break;
    }
    case Action::changeStorage: {
        const bool toDesktop = m_disk->storageLocation() != QLatin1String("desktop");
        shown = m_session->driver().chooseInTrayMenu(QStringLiteral("Keep Stacked Files In"),
                                                     toDesktop ? 1 : 0);
        // It asks first only when there is something to move.
        if (shown)
            m_session->driver().answerAlert({QStringLiteral("Return")}, 3000);
        started.expectedMoves = m_ledger->trackedCount() / 2;
        const QString target = toDesktop ? QStringLiteral("desktop") : QStringLiteral("documents");
        started.done = [this, target] { return m_disk->storageLocation() == target; };
        break;
    }
    }
    if (!shown)
        return std::nullopt;
    started.before = before;
    started.triggered.start();
    return started;
}

bool CrashKillRun::waitUntilSettled()
{
    // An operation's last steps (the stacks file, a folder removed) may follow what the
    // action waited for, and on a loaded machine a pause inside an operation (between saving
    // its intent and moving its first file) can outlast any quiet time. So the state must stop
    // changing for half a second and then stay the same across a ping the program answers:
    // it runs operations on its event loop's thread, so it answers only between them.
    QElapsedTimer clock;
    clock.start();
    const auto remaining = [&] {
        return int(std::max<qint64>(0, stepTimeoutMs - clock.elapsed()));
    };
    QSet<QString> files = m_ledger->locate();
    QByteArray json = m_disk->stacksJson();
    QElapsedTimer quiet;
    quiet.start();
    const auto changed = [&] {
        const QSet<QString> nowFiles = m_ledger->locate();
        const QByteArray nowJson = m_disk->stacksJson();
        const bool differs = nowFiles != files || nowJson != json;
        files = nowFiles;
        json = nowJson;
        return differs;
    };
    for (;;) {
        if (!QTest::qWaitFor(
                [&] {
                    if (changed())
                        quiet.restart();
                    return quiet.elapsed() >= 500;
                },
                remaining()))
            return false;
        // A program that is gone changes nothing more.
        if (!m_session->app().isRunning())
            return true;
        if (!E2eTools::answersPing(m_session->app().processId(), remaining())) {
            log(QStringLiteral("  the program did not answer a ping"));
            return false;
        }
        if (!changed())
            return true;
        log(QStringLiteral("  still working after half a second without a change"));
        quiet.restart();
    }
}

void CrashKillRun::killNow(const Started& started)
{
    ::kill(pid_t(m_session->app().processId()), SIGKILL);
    m_session->app().waitForExit();
    ++m_tally.kills;
    if (started.moved > 0 && !started.finished)
        ++m_tally.midOperation;
    log(QStringLiteral("  killed after %1 of ~%2 moves%3")
            .arg(started.moved)
            .arg(started.expectedMoves)
            .arg(started.finished ? QStringLiteral(" (it had finished)") : QString()));
}

QStringList CrashKillRun::newAlerts()
{
    const QString output = m_session->app().output();
    QStringList alerts;
    for (qsizetype at = output.indexOf(QStringLiteral("alert: "), m_alertsRead); at >= 0;
         at = output.indexOf(QStringLiteral("alert: "), at + 1)) {
        alerts.append(output.mid(at + 7).section(QLatin1Char('\n'), 0, 0).left(300));
        m_alertsRead = at + 1;
    }
    return alerts;
}

CrashKillRun::Tally CrashKillRun::run()
{
    QElapsedTimer clock;
    clock.start();
    int round = 0;
    while (m_tally.kills < m_options.maxKills &&
           (m_tally.kills < m_options.minKills || m_options.budgetSeconds <= 0 ||
            clock.elapsed() < qint64(m_options.budgetSeconds) * 1000)) {
        ++round;
        if (round > m_options.maxKills * 2 + 10) {
            m_tally.faults << QStringLiteral("too many rounds could not start an action");
            break;
        }
        putBackByHand();
        const Action killed = pick(possibleActions());
        log(QStringLiteral("round %1: %2").arg(round).arg(actionName(killed)));
        const std::optional<Started> started = start(killed, true);
        if (!started)
            continue;
        killNow(*started);
        if (!launch()) {
            m_tally.faults << QStringLiteral("round %1: no relaunch after a kill in %2:\n%3")
                                  .arg(round)
                                  .arg(actionName(killed), m_session->app().output().right(2000));
            break;
        }
        // What the user does next: often the same again, otherwise anything offered.
        const QList<Action> possible = possibleActions();
        const Action next =
            possible.contains(killed) && m_random() % 2 == 0 ? killed : pick(possible);
        const std::optional<Started> again = start(next, false);
        QString what = QStringLiteral("killed in %1, relaunched, then %2")
                           .arg(actionName(killed), actionName(next));
        if (again && !QTest::qWaitFor(again->done, stepTimeoutMs))
            what += QStringLiteral(" (which did not finish)");
        else if (!again)
            what += QStringLiteral(" (which did not start)");
        if (!waitUntilSettled())
            what += QStringLiteral(" (and the files kept moving)");
        if (const int shown = m_session->driver().dismissAlerts())
            m_tally.alerts += shown;
        const QStringList alerts = newAlerts();
        for (const QString& alert : alerts)
            what += QStringLiteral("\n    it said: ") + alert;
        log(QStringLiteral("  then %1").arg(actionName(next)));
        for (const QString& alert : alerts)
            log(QStringLiteral("  alert: ") + alert);
        // A fault that stays (a record the program never repairs) is counted once.
        QStringList broken = m_ledger->check(m_disk->stacksJson(), m_disk->storageRoot());
        broken.removeIf([this](const QString& line) { return m_reported.contains(line); });
        if (!broken.isEmpty()) {
            m_reported.unite(QSet<QString>(broken.cbegin(), broken.cend()));
            m_tally.counts += FileLedger::tally(broken);
            const qsizetype shown = std::min<qsizetype>(broken.size(), 12);
            m_tally.faults
                << QStringLiteral("seed %1 round %2: %3 (storage: %4):\n    %5%6")
                       .arg(m_options.seed)
                       .arg(round)
                       .arg(what, m_disk->storageLocation(),
                            broken.first(shown).join(QStringLiteral("\n    ")))
                       .arg(shown < broken.size()
                                ? QStringLiteral("\n    and %1 more").arg(broken.size() - shown)
                                : QString());
            log(m_tally.faults.last());
            m_ledger->rebase();
            if (m_options.stopAtFirstFault)
                break;
        }
    }
    return m_tally;
}
