#include "LogCapture.h"
#include "TestServices.h"
#include "engine/ManagerWindowHost.h"
#include "engine/StackFiles.h"
#include "engine/StackManager.h"
#include "engine/StackSelection.h"
#include "engine/Stacker.h"
#include "operations/BinMover.h"
#include "operations/Dissolver.h"
#include "operations/FolderConversion.h"
#include "operations/StackRenamer.h"
#include "operations/UndoState.h"
#include "store/StorageFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <random>

using namespace Qt::StringLiterals;

using std::chrono::milliseconds;

// Random sequences of everything that moves files — stacking, spreading, restacking, adding,
// merging, arranging, renaming, dissolving, converting and undoing it, the Bin, uninstalling and
// relaunching — on a Desktop of 50 files, with single moves failing on purpose and the desktop
// program now and then not answering. After every step each file must be in exactly one place,
// whole: on the Desktop (a converted folder is there too), in the folder of a stack the manager
// knows (or one the user was told about), or in the Trash; and a link's target never moves.
//
// TIDORA_REPLAY_SEED=<n> runs only the sequence of that seed (printed when one fails);
// TIDORA_RANDOM_SEQUENCES=<n> runs n sequences instead of 500 (300 under the sanitizers).
namespace {

constexpr quint32 firstSeed = 1000;

#if defined(__SANITIZE_ADDRESS__)
constexpr int defaultSequences = 300;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int defaultSequences = 300;
#else
constexpr int defaultSequences = 500;
#endif
#else
constexpr int defaultSequences = 500;
#endif

const QString leftoverText = u"Some files remain in "_s;
const QString leftoverEnd = u". The folder was kept"_s;
const QString notMoved = u" not moved to the Desktop. "_s;
const QString stillIn = u" still in "_s;
const QString uninstallRefusedText = u"Some files couldn't be moved to your Desktop"_s;

// The same in every run, unlike qHash, whose seed changes from process to process: a replayed
// sequence must fail the same moves.
quint32 stableHash(const QString& text, quint32 salt)
{
    quint32 hash = 2166136261u ^ salt;
    for (const QChar c : text)
        hash = (hash ^ c.unicode()) * 16777619u;
    return hash;
}

class Sequence
{
public:
    explicit Sequence(quint32 seed)
        : m_random(seed)
    {}

    // Runs the sequence; every broken rule, with the steps that led there.
    QStringList run();

    // Over all sequences: moves tried, moves failed on purpose, stacks made.
    static inline int moves = 0;
    static inline int failures = 0;
    static inline int stacksMade = 0;
    // How often the rarer paths were really taken, so that the summary shows they ran.
    static inline int converted = 0;
    static inline int undone = 0;
    static inline int binned = 0;
    static inline int merged = 0;
    static inline int uninstalled = 0;
    static inline int relaunched = 0;
    static inline int told = 0;

private:
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_random); }

    // What a step acts on: some of the Desktop's files and one of the stacks.
    struct Pick
    {
        QStringList names;
        std::optional<QUuid> stack;
    };
    // One thing a user (or a restart) may do, and how often against the others.
    struct Action
    {
        const char* name;
        int weight;
        void (Sequence::*run)(const Pick&);
    };

    void populate();
    void injectFaults();
    void step();
    void settle();
    ScriptedAlerts::Reply answer(const Alert& alert);
    // What the alerts shown since the last look told the user about kept files.
    void readAlerts();
    // Every file that is where it may not be, after the invariant's own rules.
    QStringList misplaced();
    void forgetWhatWasTold();
    void countConversions();
    QStringList desktopNames();
    QStringList desktopPaths(const QStringList& names) const;
    std::optional<QUuid> someStack();
    void note(const QString& what) { m_steps.append(what); }

    void stackFiles(const Pick& pick);
    void stackSelection(const Pick& pick);
    void spread(const Pick& pick);
    void restack(const Pick& pick);
    void addFiles(const Pick& pick);
    void arrangeInGrid(const Pick& pick);
    void rename(const Pick& pick);
    void merge(const Pick& pick);
    void dissolve(const Pick& pick);
    void dissolveAll(const Pick& pick);
    void convert(const Pick& pick);
    void undoConversion(const Pick& pick);
    void editConvertedFolder(const Pick& pick);
    void moveToBin(const Pick& pick);
    void uninstall(const Pick& pick);
    void relaunch(const Pick& pick);

    // Everything a step may do. A new operation joins with a member above and a line here.
    static constexpr Action actions[] = {
        {"stack", 5, &Sequence::stackFiles},
        {"stack selection", 1, &Sequence::stackSelection},
        {"spread", 2, &Sequence::spread},
        {"restack", 1, &Sequence::restack},
        {"add", 1, &Sequence::addFiles},
        {"arrange in a grid", 1, &Sequence::arrangeInGrid},
        {"rename", 1, &Sequence::rename},
        {"merge", 3, &Sequence::merge},
        {"dissolve", 1, &Sequence::dissolve},
        {"dissolve all", 1, &Sequence::dissolveAll},
        {"convert", 2, &Sequence::convert},
        {"undo the conversion", 3, &Sequence::undoConversion},
        {"change a converted folder", 2, &Sequence::editConvertedFolder},
        {"move to the Bin", 1, &Sequence::moveToBin},
        {"uninstall", 1, &Sequence::uninstall},
        {"relaunch", 1, &Sequence::relaunch},
    };

    std::mt19937 m_random;
    QString m_conversionSeen;
    std::unique_ptr<TestServices> m_t;
    QStringList m_steps;
    // The targets of the Desktop's links, which must stay where they are.
    QStringList m_linkTargets;
    // Stack folders the user was told still hold files, and whether an uninstall said that a
    // storage folder still does; both hold until the next launch takes the files in again.
    QSet<QString> m_toldFolders;
    bool m_toldStorage = false;
    qsizetype m_alertsRead = 0;
    // What a step found broken on its own.
    QStringList m_broken;
};

QStringList Sequence::run()
{
    m_t = std::make_unique<TestServices>();
    TestServices& t = *m_t;
    if (chance(0.3)) {
        t.settings.setValue(SettingsKey::storageLocation, u"desktop"_s);
        note(u"storage on the Desktop"_s);
    }
    populate();
    t.invariant.allowTrash();
    t.alerts.answerAll([this](const Alert& alert) { return answer(alert); });
    QStringList broken;
    const int steps = 8 + below(12);
    for (int i = 0; i < steps && broken.isEmpty(); ++i) {
        injectFaults();
        step();
        settle();
        countConversions();
        broken = t.invariant.violations() + misplaced() + m_broken;
    }
    if (broken.isEmpty()) {
        t.fs.clearFailures();
        t.desktop.setMode(FakeDesktop::Mode::running);
        t.scheduler.runUntilIdle();
        readAlerts();
        broken = t.invariant.violations() + misplaced();
    }
    moves += t.fs.moves;
    failures += t.fs.failures;
    stacksMade += t.windows.created;
    binned += int(t.namesIn(t.home.trashFiles()).size());
    broken.append(t.alerts.problems);
    if (!broken.isEmpty()) {
        broken.append(u"steps: "_s + m_steps.join(u"; "_s));
        QStringList folders;
        for (const DesktopStack& stack : t.manager().stacks())
            folders.append(t.manager().operations().folders.stackFolderURL(stack));
        broken.append(u"stack folders: "_s + folders.join(u", "_s));
        broken.append(u"alerts: "_s + t.alerts.messages().join(u" | "_s));
    }
    m_t.reset();
    return broken;
}

void Sequence::settle()
{
    if (chance(0.6))
        m_t->scheduler.runUntilIdle();
    else
        m_t->scheduler.advance(milliseconds(below(1000)));
    readAlerts();
}

ScriptedAlerts::Reply Sequence::answer(const Alert& alert)
{
    if (alert.textField)
        return ScriptedAlerts::Reply{u"Rename"_s, false, u" \tnew\nname %1 "_s.arg(below(5))};
    if (alert.buttons.contains(u"Cancel"_s) && chance(0.1))
        return ScriptedAlerts::Reply{u"Cancel"_s};
    // "Cancel" comes first in the Bin's question; every other question asks first.
    const QString bin = u"Move to Bin"_s;
    return ScriptedAlerts::Reply{alert.buttons.contains(bin) ? bin : alert.buttons.first(), true};
}

void Sequence::readAlerts()
{
    const QList<Alert>& shown = m_t->alerts.shown;
    for (; m_alertsRead < shown.size(); ++m_alertsRead) {
        const QString& message = shown.at(m_alertsRead).message;
        // "n of m files were not moved to the Desktop. They are still in <folder>: <why>.", one
        // paragraph a stack.
        for (const QString& report : message.split(u"\n\n"_s)) {
            const qsizetype at = report.indexOf(stillIn);
            if (at < 0 || !report.contains(notMoved))
                continue;
            const qsizetype from = at + stillIn.size();
            m_toldFolders.insert(report.mid(from, report.lastIndexOf(u": "_s) - from));
        }
        if (message.startsWith(leftoverText)) {
            const qsizetype end = message.indexOf(leftoverEnd);
            m_toldFolders.insert(message.mid(leftoverText.size(), end - leftoverText.size()));
            ++told;
        } else if (message.startsWith(uninstallRefusedText)) {
            m_toldStorage = true;
        }
    }
}

void Sequence::countConversions()
{
    const QList<Conversion>& now = m_t->manager().undoState().lastConversion();
    const QString folder = now.isEmpty() ? QString() : now.first().folder;
    if (!folder.isEmpty() && folder != m_conversionSeen)
        converted += int(now.size());
    else if (folder.isEmpty() && !m_conversionSeen.isEmpty() &&
             m_steps.last().startsWith(QLatin1String("undo")))
        ++undone;
    m_conversionSeen = folder;
}

void Sequence::forgetWhatWasTold()
{
    m_toldFolders.clear();
    m_toldStorage = false;
    m_alertsRead = m_t->alerts.shown.size();
}

QStringList Sequence::misplaced()
{
    TestServices& t = *m_t;
    StackManager& m = t.manager();
    QSet<QString> known = m_toldFolders;
    for (const DesktopStack& stack : m.stacks())
        known.insert(m.operations().folders.stackFolderURL(stack));
    const QStringList storages = m.operations().folders.allStorageFolders();
    const QString trash = t.home.trashFiles() + QLatin1Char('/');
    const QString desktop = t.paths.desktop() + QLatin1Char('/');

    QStringList broken;
    const QHash<QString, QString> locations = t.invariant.locations();
    for (auto it = locations.cbegin(); it != locations.cend(); ++it) {
        const QString& now = it.value();
        if (m_linkTargets.contains(it.key())) {
            if (now != it.key())
                broken.append(u"link target moved: %1 is at %2"_s.arg(it.key(), now));
            continue;
        }
        const auto storage =
            std::find_if(storages.cbegin(), storages.cend(), [&now](const QString& folder) {
                return now.startsWith(folder + QLatin1Char('/'));
            });
        if (storage == storages.cend()) {
            if (!now.startsWith(desktop) && !now.startsWith(trash))
                broken.append(u"misplaced: %1 is at %2"_s.arg(it.key(), now));
            continue;
        }
        if (m_toldStorage)
            continue;
        const QString inside = now.mid(storage->size() + 1);
        if (!inside.contains(QLatin1Char('/')))
            broken.append(u"loose in the storage folder: %1"_s.arg(now));
        else if (!known.contains(*storage + QLatin1Char('/') +
                                 inside.section(QLatin1Char('/'), 0, 0)))
            broken.append(u"in the folder of no stack: %1"_s.arg(now));
    }
    return broken;
}

void Sequence::populate()
{
    TestServices& t = *m_t;
    t.invariant.allowPlace(u"Documents/targets"_s);
    static const QStringList patterns = {
        u"Screenshot %1.png"_s, u"report %1.pdf"_s,
        u"note %1.txt"_s,       u"quote \"%1\" 'x'"_s,
        u"back\\slash %1"_s,    u"tab\t%1.txt"_s,
        u"line\nbreak %1"_s,    u"%1 "_s + QString(200, QLatin1Char('L')),
        u"photo %1.jpg"_s,      u"archive %1.tar.gz"_s};
    for (int i = 0; i < 50; ++i) {
        const QString name = patterns.at(below(int(patterns.size()))).arg(i);
        const QPointF icon(88 + 110 * (i % 10), 60 + 120 * (i / 10));
        const int kind = below(20);
        if (kind == 0) {
            t.invariant.addFile(u"Desktop/"_s + name + u"/inside.txt"_s);
            t.desktop.setIcon(name, icon);
        } else if (kind == 1) {
            const QString target = t.invariant.addFile(u"Documents/targets/%1.txt"_s.arg(i));
            m_linkTargets.append(target);
            t.invariant.addSymlink(u"Desktop/"_s + name, target);
            t.desktop.setIcon(name, icon);
        } else {
            t.addDesktopFile(name, icon);
        }
    }
}

void Sequence::injectFaults()
{
    TestServices& t = *m_t;
    t.fs.clearFailures();
    if (chance(0.35)) {
        const quint32 salt = quint32(below(1 << 20));
        const quint32 every = quint32(2 + below(5));
        t.fs.failMoves([salt, every](const QString& from, const QString&) {
            return stableHash(QFileInfo(from).fileName(), salt) % every == 0;
        });
        note(u"moves fail (%1, %2)"_s.arg(salt).arg(every));
    }
    if (chance(0.04)) {
        t.fs.failMakeFolder([](const QString&) { return true; });
        note(u"folders cannot be made"_s);
    }
    if (chance(0.2)) {
        const quint32 salt = quint32(below(1 << 20));
        t.fs.failTrash([salt](const QString& path) {
            return stableHash(QFileInfo(path).fileName(), salt) % 3 == 0;
        });
        note(u"trashing fails (%1)"_s.arg(salt));
    }
    const bool unreachable = chance(0.08);
    t.desktop.setMode(unreachable ? FakeDesktop::Mode::unreachable : FakeDesktop::Mode::running);
    if (unreachable)
        note(u"desktop unreachable"_s);
}

QStringList Sequence::desktopNames()
{
    QStringList names = m_t->namesIn(m_t->paths.desktop());
    names.removeIf([](const QString& name) {
        return name.startsWith(QLatin1Char('.')) || name == QLatin1String("Tidorama Files");
    });
    return names;
}

std::optional<QUuid> Sequence::someStack()
{
    const QList<DesktopStack>& stacks = m_t->manager().stacks();
    if (stacks.isEmpty())
        return std::nullopt;
    return stacks.at(below(int(stacks.size()))).id;
}

void Sequence::step()
{
    // Drawn before the action, so every action sees the same kind of pick.
    Pick pick;
    for (const QString& name : desktopNames()) {
        if (chance(0.15))
            pick.names.append(name);
    }
    pick.stack = someStack();
    int total = 0;
    for (const Action& action : actions)
        total += action.weight;
    int drawn = below(total);
    for (const Action& action : actions) {
        if (drawn < action.weight) {
            note(u"%1 (%2 files)"_s.arg(QLatin1String(action.name)).arg(pick.names.size()));
            return (this->*action.run)(pick);
        }
        drawn -= action.weight;
    }
}

QStringList Sequence::desktopPaths(const QStringList& names) const
{
    QStringList paths;
    for (const QString& name : names)
        paths.append(m_t->desktopPath(name));
    return paths;
}

void Sequence::stackFiles(const Pick& pick)
{
    StackManager& m = m_t->manager();
    const QList<DesktopFile> files = m_t->desktopFiles(pick.names);
    m.stackFiles(files, std::nullopt, m.operations().stacker.defaultWindowOrigin(files));
}

void Sequence::stackSelection(const Pick& pick)
{
    StackManager& m = m_t->manager();
    m_t->desktop.select(desktopPaths(pick.names));
    m.runAsWork([&m](WorkToken token) { m.stackSelection(std::move(token)); });
}

void Sequence::spread(const Pick& pick)
{
    if (pick.stack)
        m_t->manager().spread(*pick.stack, chance(0.3));
}

void Sequence::restack(const Pick& pick)
{
    if (!pick.stack)
        return;
    // The user drags a few icons about first.
    for (const QString& name : pick.names)
        m_t->desktop.setIcon(name, QPointF(below(1280), below(800)));
    m_t->manager().restack(*pick.stack, chance(0.7));
}

void Sequence::addFiles(const Pick& pick)
{
    if (!pick.stack)
        return;
    StackManager& m = m_t->manager();
    QStringList paths = desktopPaths(pick.names);
    // Now and then one of the stack's own files as well.
    const QStringList own = m.operations().files.resolvedFiles(*m.stackWithID(*pick.stack));
    if (!own.isEmpty() && chance(0.3))
        paths.append(own.at(below(int(own.size()))));
    m.addFiles(paths, *pick.stack);
}

void Sequence::arrangeInGrid(const Pick& pick)
{
    if (pick.stack)
        m_t->manager().arrangeInGrid(*pick.stack);
}

void Sequence::rename(const Pick& pick)
{
    if (pick.stack)
        m_t->manager().operations().renamer.renameStack(*pick.stack);
}

void Sequence::dissolve(const Pick& pick)
{
    if (!pick.stack)
        return;
    StackManager& m = m_t->manager();
    if (chance(0.5) && m.stacks().size() > 1)
        m.selection().select({*pick.stack, m.stacks().first().id});
    m.operations().dissolver.dissolveFromMenu(*pick.stack);
}

void Sequence::dissolveAll(const Pick&)
{
    m_t->manager().dissolveAll();
}

void Sequence::merge(const Pick& pick)
{
    StackManager& m = m_t->manager();
    if (!pick.stack || m.stacks().size() < 2)
        return;
    QUuid target;
    do
        target = *someStack();
    while (target == *pick.stack);
    FakeStackWindow* dragged = m_t->windows.window(*pick.stack);
    const FakeStackWindow* onto = m_t->windows.window(target);
    if (!dragged || !onto)
        return;
    // Mostly the one stack; now and then the selection it belongs to moves with it.
    if (chance(0.7))
        m.selection().selectOnly(*pick.stack);
    m.selection().beginGroupDrag(*pick.stack);
    const QPointF origin = onto->frameOrigin() + QPointF(below(20), below(20));
    dragged->drag(origin);
    m.selection().windowMoved(*pick.stack, origin);
    if (ManagerWindowHost(m).endGroupDrag())
        ++merged;
}

void Sequence::convert(const Pick& pick)
{
    StackManager& m = m_t->manager();
    if (chance(0.3))
        m.convertAll();
    else if (pick.stack)
        m.operations().conversion.convertStacks(
            m.operations().dissolver.targetsOfWindowCommand(*pick.stack));
}

void Sequence::undoConversion(const Pick&)
{
    m_t->manager().undoLastConversion();
}

// The user changes a converted folder before undoing: renames a file in it, takes one out onto
// the Desktop or puts one of the Desktop's files in.
void Sequence::editConvertedFolder(const Pick& pick)
{
    const QString desktop = m_t->paths.desktop();
    QStringList converted = desktopNames();
    converted.removeIf([&](const QString& name) {
        const QFileInfo info(desktop + QLatin1Char('/') + name);
        return !name.startsWith(QLatin1String("TR_")) || !info.isDir() || info.isSymLink();
    });
    if (converted.isEmpty())
        return;
    const QString folder = desktop + QLatin1Char('/') + converted.at(below(int(converted.size())));
    const QStringList inside = m_t->namesIn(folder);
    const auto free = [](const QString& path) {
        const QFileInfo info(path);
        return !info.exists() && !info.isSymLink();
    };
    const auto moveAs = [&](const QString& from, const QString& to) {
        if (free(to))
            QDir().rename(from, to);
    };
    const int what = below(3);
    if (what == 2 && !pick.names.isEmpty()) {
        const QString name = pick.names.first();
        if (name != converted.first())
            moveAs(desktop + QLatin1Char('/') + name, folder + QLatin1Char('/') + name);
    } else if (!inside.isEmpty()) {
        const QString name = inside.at(below(int(inside.size())));
        const QString from = folder + QLatin1Char('/') + name;
        moveAs(from,
               what == 0 ? QString(from + u" renamed"_s) : QString(desktop + u"/out "_s + name));
    }
}

void Sequence::moveToBin(const Pick& pick)
{
    StackManager& m = m_t->manager();
    if (!pick.stack)
        return;
    QList<QUuid> ids = m.operations().dissolver.targetsOfWindowCommand(*pick.stack);
    if (chance(0.2)) {
        ids.clear();
        for (const DesktopStack& stack : m.stacks())
            ids.append(stack.id);
    }
    m.operations().binMover.moveStacksToBin(ids);
}

void Sequence::uninstall(const Pick&)
{
    const int quits = m_t->program.quits;
    m_t->manager().uninstall();
    // It gives the files back at once and looks whether it may finish 1.2 s later.
    m_t->scheduler.runUntilIdle();
    readAlerts();
    if (m_t->program.quits > quits) {
        // Before the program is started again, not one file may be left in a storage folder.
        m_toldFolders.clear();
        m_toldStorage = false;
        note(u"uninstalled"_s);
        ++uninstalled;
        m_broken.append(misplaced());
        relaunch({});
    }
}

void Sequence::relaunch(const Pick&)
{
    m_t->relaunch();
    ++relaunched;
    // Whatever the user was told is kept is taken in again at launch.
    forgetWhatWasTold();
}

} // namespace

class TestRandomised : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void filesAreNeverLost();
};

void TestRandomised::initTestCase()
{
    // The stacks file is written durably after every change; on a tmpfs that costs nothing,
    // which keeps hundreds of sequences quick.
    if (QFileInfo(u"/dev/shm"_s).isWritable())
        qputenv("TMPDIR", "/dev/shm");
}

void TestRandomised::filesAreNeverLost()
{
    QList<quint32> seeds;
    bool isInt = false;
    const quint32 replay = qEnvironmentVariable("TIDORA_REPLAY_SEED").toUInt(&isInt);
    const bool replaying = isInt;
    if (replaying) {
        seeds.append(replay);
    } else {
        const int count = qEnvironmentVariableIntValue("TIDORA_RANDOM_SEQUENCES", &isInt);
        for (int i = 0; i < (isInt && count > 0 ? count : defaultSequences); ++i)
            seeds.append(firstSeed + quint32(i));
    }
    // The single-file failures are logged by design; keep them off the console.
    auto quiet = std::make_unique<LogCapture>();
    for (const quint32 seed : std::as_const(seeds)) {
        const QStringList broken = Sequence(seed).run();
        if (!broken.isEmpty())
            QFAIL(qPrintable(u"seed %1 (replay with TIDORA_REPLAY_SEED=%1):\n"_s.arg(seed) +
                             broken.join(QLatin1Char('\n'))));
    }
    quiet.reset();
    qInfo("%d sequences: %d moves, %d of them failed on purpose, %d stack windows; %d stacks "
          "converted, %d batches undone, %d items in the Bin, %d merges, %d uninstalls, "
          "%d relaunches, %d folders kept with files",
          int(seeds.size()), Sequence::moves, Sequence::failures, Sequence::stacksMade,
          Sequence::converted, Sequence::undone, Sequence::binned, Sequence::merged,
          Sequence::uninstalled, Sequence::relaunched, Sequence::told);
}

QTEST_GUILESS_MAIN(TestRandomised)
#include "tst_randomised.moc"
