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

    // Over all sequences: moves tried and moves failed on purpose.
    static inline int moves = 0;
    static inline int failures = 0;

private:
    // What a step acts on: some of the Desktop's files and one of the stacks.
    struct Pick
    {
        QStringList names;
        std::optional<QUuid> stack;
    };

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_random); }
    StackManager& manager() { return m_t->manager(); }
    void note(const QString& what) { m_steps.append(what); }

    void populate();
    void injectFaults();
    void step();
    void settle();
    ScriptedAlerts::Reply answer(const Alert& alert);
    // What the alerts shown since the last look told the user about kept files.
    void readAlerts();
    // Every file that is where it may not be, after the invariant's own rules.
    QStringList misplaced();
    QStringList desktopNames();
    QStringList desktopPaths(const QStringList& names) const;
    std::optional<QUuid> someStack();

    void merge(const Pick& pick);
    void editConvertedFolder(const Pick& pick);
    void uninstall();
    void relaunch();

    std::mt19937 m_random;
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
    broken.append(t.alerts.problems);
    if (!broken.isEmpty()) {
        broken.append(u"steps: "_s + m_steps.join(u"; "_s));
        QStringList folders;
        for (const DesktopStack& stack : manager().stacks())
            folders.append(manager().operations().folders.stackFolderURL(stack));
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
        } else if (message.startsWith(uninstallRefusedText)) {
            m_toldStorage = true;
        }
    }
}

QStringList Sequence::misplaced()
{
    TestServices& t = *m_t;
    StackManager& m = manager();
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

QStringList Sequence::desktopPaths(const QStringList& names) const
{
    QStringList paths;
    for (const QString& name : names)
        paths.append(m_t->desktopPath(name));
    return paths;
}

std::optional<QUuid> Sequence::someStack()
{
    const QList<DesktopStack>& stacks = manager().stacks();
    if (stacks.isEmpty())
        return std::nullopt;
    return stacks.at(below(int(stacks.size()))).id;
}

void Sequence::step()
{
    // One thing a user (or a restart) may do, how often against the others, and whether it
    // needs a stack to act on.
    struct Action
    {
        const char* name;
        int weight;
        bool onStack;
        void (*run)(Sequence&, const Pick&);
    };
    static constexpr Action actions[] = {
        {"stack", 5, false,
         [](Sequence& s, const Pick& p) {
             const QList<DesktopFile> files = s.m_t->desktopFiles(p.names);
             s.manager().stackFiles(files, std::nullopt,
                                    s.manager().operations().stacker.defaultWindowOrigin(files));
         }},
        {"stack selection", 1, false,
         [](Sequence& s, const Pick& p) {
             StackManager& m = s.manager();
             s.m_t->desktop.select(s.desktopPaths(p.names));
             m.runAsWork([&m](WorkToken token) { m.stackSelection(std::move(token)); });
         }},
        {"spread", 2, true,
         [](Sequence& s, const Pick& p) { s.manager().spread(*p.stack, s.chance(0.3)); }},
        {"restack", 1, true,
         [](Sequence& s, const Pick& p) {
             // The user drags a few icons about first.
             for (const QString& name : p.names)
                 s.m_t->desktop.setIcon(name, QPointF(s.below(1280), s.below(800)));
             s.manager().restack(*p.stack, s.chance(0.7));
         }},
        {"add", 1, true,
         [](Sequence& s, const Pick& p) {
             StackManager& m = s.manager();
             QStringList paths = s.desktopPaths(p.names);
             // Now and then one of the stack's own files as well.
             const QStringList own = m.operations().files.resolvedFiles(*m.stackWithID(*p.stack));
             if (!own.isEmpty() && s.chance(0.3))
                 paths.append(own.at(s.below(int(own.size()))));
             m.addFiles(paths, *p.stack);
         }},
        {"arrange in a grid", 1, true,
         [](Sequence& s, const Pick& p) { s.manager().arrangeInGrid(*p.stack); }},
        {"rename", 1, true,
         [](Sequence& s, const Pick& p) {
             s.manager().operations().renamer.renameStack(*p.stack);
         }},
        {"merge", 3, true, [](Sequence& s, const Pick& p) { s.merge(p); }},
        {"dissolve", 1, true,
         [](Sequence& s, const Pick& p) {
             StackManager& m = s.manager();
             if (s.chance(0.5) && m.stacks().size() > 1)
                 m.selection().select({*p.stack, m.stacks().first().id});
             m.operations().dissolver.dissolveFromMenu(*p.stack);
         }},
        {"dissolve all", 1, false, [](Sequence& s, const Pick&) { s.manager().dissolveAll(); }},
        {"convert", 2, false,
         [](Sequence& s, const Pick& p) {
             StackManager& m = s.manager();
             if (s.chance(0.3))
                 m.convertAll();
             else if (p.stack)
                 m.operations().conversion.convertStacks(
                     m.operations().dissolver.targetsOfWindowCommand(*p.stack));
         }},
        {"undo the conversion", 3, false,
         [](Sequence& s, const Pick&) { s.manager().undoLastConversion(); }},
        {"change a converted folder", 2, false,
         [](Sequence& s, const Pick& p) { s.editConvertedFolder(p); }},
        {"move to the Bin", 1, true,
         [](Sequence& s, const Pick& p) {
             StackManager& m = s.manager();
             QList<QUuid> ids = m.operations().dissolver.targetsOfWindowCommand(*p.stack);
             if (s.chance(0.2)) {
                 ids.clear();
                 for (const DesktopStack& stack : m.stacks())
                     ids.append(stack.id);
             }
             m.operations().binMover.moveStacksToBin(ids);
         }},
        {"uninstall", 1, false, [](Sequence& s, const Pick&) { s.uninstall(); }},
        {"relaunch", 1, false, [](Sequence& s, const Pick&) { s.relaunch(); }},
    };
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
            if (pick.stack || !action.onStack)
                action.run(*this, pick);
            return;
        }
        drawn -= action.weight;
    }
}

void Sequence::merge(const Pick& pick)
{
    StackManager& m = manager();
    if (m.stacks().size() < 2)
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
    ManagerWindowHost(m).endGroupDrag();
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
    const auto moveAs = [](const QString& from, const QString& to) {
        const QFileInfo info(to);
        if (!info.exists() && !info.isSymLink())
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

void Sequence::uninstall()
{
    const int quits = m_t->program.quits;
    manager().uninstall();
    // It gives the files back at once and looks whether it may finish 1.2 s later.
    m_t->scheduler.runUntilIdle();
    readAlerts();
    if (m_t->program.quits > quits) {
        // Before the program is started again, not one file may be left in a storage folder.
        m_toldFolders.clear();
        m_toldStorage = false;
        note(u"uninstalled"_s);
        m_broken.append(misplaced());
        relaunch();
    }
}

void Sequence::relaunch()
{
    m_t->relaunch();
    // Whatever the user was told is kept is taken in again at launch.
    m_toldFolders.clear();
    m_toldStorage = false;
    m_alertsRead = m_t->alerts.shown.size();
}

} // namespace

class TestRandomised : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filesAreNeverLost();
};

void TestRandomised::filesAreNeverLost()
{
    // The stacks file is written durably after every change; on a tmpfs that costs nothing,
    // which keeps hundreds of sequences quick.
    if (QFileInfo(u"/dev/shm"_s).isWritable())
        qputenv("TMPDIR", "/dev/shm");
    QList<quint32> seeds;
    bool isInt = false;
    const quint32 replay = qEnvironmentVariable("TIDORA_REPLAY_SEED").toUInt(&isInt);
    if (isInt) {
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
    qInfo("%d sequences: %d moves, %d of them failed on purpose", int(seeds.size()),
          Sequence::moves, Sequence::failures);
}

QTEST_GUILESS_MAIN(TestRandomised)
#include "tst_randomised.moc"
