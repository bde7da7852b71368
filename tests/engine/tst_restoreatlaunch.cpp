#include "TestServices.h"
#include "engine/StackFiles.h"
#include "engine/StackManager.h"
#include "engine/StackWindows.h"
#include "operations/Dissolver.h"
#include "operations/FolderConversion.h"
#include "operations/UndoState.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QStringList fourFiles = {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"d.txt"_s};

// A kill at the `at`-th move from now on, as the disk keeps it: that move and every later one
// fail, and once the operation returns the stacks file (with its siblings) is put back as it
// was at that moment.
class Kill
{
public:
    Kill(TestServices& t, int at)
        : m_t(t)
        , m_folder(t.paths.dataFolder())
    {
        t.fs.failMoves([this, at](const QString&, const QString&) {
            if (m_killed)
                return true;
            m_saved = savedFiles();
            m_seen = true;
            m_killed = m_moves++ == at;
            return m_killed;
        });
    }

    // What the next launch finds: the stacks file as saved before the cut (when no move was
    // cut, as saved before the last move, the save after the moves never having happened).
    void leaveTheDisk()
    {
        m_t.fs.clearFailures();
        if (!m_seen)
            return;
        for (const QString& name : QDir(m_folder).entryList(QDir::Files))
            QFile::remove(m_folder + QLatin1Char('/') + name);
        for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
            QFile out(m_folder + QLatin1Char('/') + it.key());
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(it.value());
        }
    }

private:
    QHash<QString, QByteArray> savedFiles() const
    {
        QHash<QString, QByteArray> files;
        for (const QString& name : QDir(m_folder).entryList(QDir::Files))
            files.insert(name, TempHome::read(m_folder + QLatin1Char('/') + name));
        return files;
    }

    TestServices& m_t;
    const QString m_folder;
    QHash<QString, QByteArray> m_saved;
    bool m_seen = false;
    bool m_killed = false;
    int m_moves = 0;
};

// What must hold at any moment the user can see: every file once and whole, none renamed, none
// listed twice, each stack's files where its state says, and nothing in a stack folder that its
// stack does not list.
QStringList brokenPromises(TestServices& t)
{
    QStringList broken = t.invariant.violations();
    const QHash<QString, QString> locations = t.invariant.locations();
    for (auto it = locations.cbegin(); it != locations.cend(); ++it) {
        if (QFileInfo(it.key()).fileName() != QFileInfo(it.value()).fileName())
            broken.append(u"renamed: "_s + it.key() + u" is "_s + it.value());
    }
    StackManager& manager = t.manager();
    const QString desktop = t.fs.resolved(t.paths.desktop());
    QSet<QString> listed;
    QHash<QString, QSet<QString>> byFolder;
    for (const DesktopStack& stack : manager.stacks()) {
        const QString folder = t.fs.resolved(t.stackFolder(stack));
        const QString place = stack.state == StackState::collapsed ? folder : desktop;
        const QStringList files = manager.operations().files.resolvedFiles(stack);
        if (files.size() != stack.items.size())
            broken.append(stack.name + u" lists files that are nowhere"_s);
        for (const QString& file : files) {
            if (listed.contains(file))
                broken.append(u"listed twice: "_s + file);
            listed.insert(file);
            byFolder[folder].insert(QFileInfo(file).fileName());
            if (t.fs.resolvedParent(file) != place)
                broken.append(stack.name + u" is "_s + rawValue(stack.state) + u" with "_s + file);
        }
        for (const QString& name : t.namesIn(t.stackFolder(stack))) {
            if (!byFolder.value(folder).contains(name))
                broken.append(u"hidden, listed by no stack: "_s + name);
        }
    }
    return broken;
}

// The click on each stack window: spread a gathered stack, gather a spread one.
void toggleEveryStack(TestServices& t)
{
    QList<DesktopStack> stacks = t.manager().stacks();
    for (const DesktopStack& stack : stacks) {
        if (stack.state == StackState::collapsed)
            t.manager().spread(stack.id, false);
        else
            t.manager().restack(stack.id, false);
    }
    t.scheduler.runUntilIdle();
}

} // namespace

// The launch step through the manager: records repaired against the disk, one window per
// stack at its origin before anything is shown, then the warning, the report and the
// first-run alert, in that order.
class TestRestoreAtLaunch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void repairsAreShownWithTheWindowsAndSaved();
    void firstLaunchAndACorruptStackList();
    void killAtAnyMoveIsMadeWholeAtLaunch_data();
    void killAtAnyMoveIsMadeWholeAtLaunch();
    void stackSplitByAnEarlierVersionIsMadeWhole();
};

void TestRestoreAtLaunch::repairsAreShownWithTheWindowsAndSaved()
{
    TestServices t;
    t.settings.setValue(SettingsKey::acknowledgedHiddenStorage, true);
    const DesktopStack a = t.stackNew({u"a1.txt"_s, u"a2.txt"_s}, u"A"_s);
    const DesktopStack gone = t.stackNew({u"g.txt"_s}, u"Gone"_s);
    // A file dropped into a stack folder by hand, a folder no record lists, and a stack folder
    // moved where the program does not look.
    const QString dropped = t.invariant.addFile(u"Documents/.Tidora/A/dropped \"by\" hand.txt"_s);
    t.invariant.addFile(u"Documents/.Tidora/Orphan/o.txt"_s);
    QVERIFY(QDir().rename(t.stackFolder(gone), t.desktopPath(u"Gone moved"_s)));

    // Every stack has its window in place by the time anything is shown.
    QList<qsizetype> windowsAtAlert;
    t.alerts.answerAll([&](const Alert&) {
        windowsAtAlert.append(t.windows.windows().size());
        return ScriptedAlerts::Reply{u"OK"_s};
    });
    StackManager& manager = t.relaunch();
    QCOMPARE(manager.stacks().size(), 3);
    QCOMPARE(t.windows.window(a.id)->files.last(), dropped);
    QVERIFY(t.windows.window(gone.id));
    QCOMPARE(windowsAtAlert, (QList<qsizetype>{3, 3}));
    // The warning first, then the report.
    QVERIFY(t.alerts.messages().at(0).startsWith(
        u"The files of \u201CGone\u201D are missing from "_s + t.storageFolder()));
    QVERIFY(t.alerts.messages().at(1).contains(u"\u201COrphan\u201D"_s));
    QVERIFY(t.alerts.messages().at(1).contains(u"put them back in: \u201CA\u201D."_s));
    QVERIFY(!t.firstRun.calls.contains(false));

    // Saved: the next launch has only the missing folder to tell of.
    t.alerts.shown.clear();
    QCOMPARE(t.relaunch().stacks().size(), 3);
    QCOMPARE(t.alerts.shown.size(), 1);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestRestoreAtLaunch::firstLaunchAndACorruptStackList()
{
    TestServices t;
    // A first launch (an empty storage folder) shows only the first-run alert and writes nothing.
    t.home.makeFolder(u"Documents/.Tidora"_s);
    QVERIFY(t.relaunch().stacks().isEmpty());
    QVERIFY(t.alerts.shown.isEmpty());
    QCOMPARE(t.firstRun.calls, QList<bool>{false});
    QVERIFY(!QFileInfo::exists(t.paths.dataFolder() + u"/stacks.json"_s));

    t.addDesktopFile(u"n.txt"_s);
    QVERIFY(t.stack({u"n.txt"_s}, u"Notes"_s));
    // A state this version does not know makes the whole file unreadable.
    const QString file = t.paths.dataFolder() + u"/stacks.json"_s;
    QByteArray json = TempHome::read(file);
    json.replace("\"collapsed\"", "\"pinned\"");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(json);
    out.close();

    StackManager& manager = t.relaunch();
    QCOMPARE(manager.stacks().size(), 1);
    QCOMPARE(manager.stacks().at(0).name, u"Notes"_s);
    QCOMPARE(manager.stacks().at(0).items.size(), 1);
    StackListFile reread(t.paths, t.fs);
    QCOMPARE(reread.loadStackList(), manager.stacks());
    // The file the user may still want is kept, and the one report says where.
    QCOMPARE(t.alerts.shown.size(), 1);
    const QStringList aside = QDir(t.paths.dataFolder()).entryList({u"stacks.json.set-aside-*"_s});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(TempHome::read(t.paths.dataFolder() + QLatin1Char('/') + aside.first()), json);
    QVERIFY(t.alerts.messages().last().contains(aside.first()));
    QCOMPARE(t.firstRun.calls.last(), false);

    // Once acknowledged, it is not asked again.
    t.settings.setValue(SettingsKey::acknowledgedHiddenStorage, true);
    const qsizetype asked = t.firstRun.calls.size();
    t.relaunch();
    QCOMPARE(t.firstRun.calls.size(), asked);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestRestoreAtLaunch::killAtAnyMoveIsMadeWholeAtLaunch_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("at");
    // After launch: the one stack's state and item count; nothing checked when empty.
    QTest::addColumn<QString>("state");
    // Every moment of each operation on four files: before each move, and after the last
    // move but before the save that follows.
    const QList<std::pair<const char*, const char*>> operations = {{"spread", "expanded"},
                                                                   {"restack", "collapsed"},
                                                                   {"stack", "collapsed"},
                                                                   {"add", ""},
                                                                   {"dissolve", ""},
                                                                   {"convert", ""},
                                                                   {"undo", ""}};
    for (const auto& [operation, state] : operations) {
        for (int at = 0; at <= 4; ++at)
            QTest::addRow("%s at move %d", operation, at)
                << QString::fromLatin1(operation) << at << QString::fromLatin1(state);
    }
}

void TestRestoreAtLaunch::killAtAnyMoveIsMadeWholeAtLaunch()
{
    QFETCH(QString, operation);
    QFETCH(int, at);
    QFETCH(QString, state);
    TestServices t;
    t.settings.setValue(SettingsKey::acknowledgedHiddenStorage, true);
    for (const QString& name : fourFiles)
        t.addDesktopFile(name, QPointF(100 + 100 * fourFiles.indexOf(name), 100));
    StackManager& manager = t.manager();
    std::optional<DesktopStack> stack;
    if (operation != QLatin1String("stack") && operation != QLatin1String("add"))
        stack = t.stack(fourFiles);
    if (operation == QLatin1String("restack")) {
        manager.spread(stack->id, false);
        t.scheduler.runUntilIdle();
    } else if (operation == QLatin1String("undo")) {
        manager.operations().conversion.convertStacks({stack->id});
        t.scheduler.runUntilIdle();
    } else if (operation == QLatin1String("add")) {
        // Two of the files belong to a spread stack; adding one of them takes it out.
        const DesktopStack spread = *t.stack(fourFiles.mid(0, 2));
        manager.spread(spread.id, false);
        stack = t.stack({fourFiles.at(2)});
        t.scheduler.runUntilIdle();
    }

    Kill kill(t, at);
    if (operation == QLatin1String("spread"))
        manager.spread(stack->id, false);
    else if (operation == QLatin1String("restack"))
        manager.restack(stack->id, false);
    else if (operation == QLatin1String("stack"))
        t.stack(fourFiles);
    else if (operation == QLatin1String("add"))
        manager.addFiles({t.desktopPath(fourFiles.at(1)), t.desktopPath(fourFiles.at(3))},
                         stack->id);
    else if (operation == QLatin1String("dissolve"))
        manager.operations().dissolver.dissolveFromMenu(stack->id);
    else if (operation == QLatin1String("convert"))
        manager.operations().conversion.convertStacks({stack->id});
    else if (operation == QLatin1String("undo"))
        manager.undoLastConversion();
    t.scheduler.runUntilIdle();
    kill.leaveTheDisk();

    t.alerts.shown.clear();
    const QList<DesktopStack>& stacks = t.relaunch().stacks();
    QStringList broken = brokenPromises(t);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
    if (!state.isEmpty()) {
        QCOMPARE(stacks.size(), 1);
        QCOMPARE(rawValue(stacks.at(0).state), state);
        QCOMPARE(t.manager().operations().files.resolvedFiles(stacks.at(0)).size(), 4);
    }

    // The user's next click, and the one after, move everything and rename nothing.
    for (int click = 0; click < 2; ++click) {
        toggleEveryStack(t);
        broken = brokenPromises(t);
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
    }
}

void TestRestoreAtLaunch::stackSplitByAnEarlierVersionIsMadeWhole()
{
    // Earlier versions saved only after the moves: a kill left a gathered stack with files on
    // the Desktop, and a spread one with files in its folder. The next spread numbered every
    // file already on the Desktop.
    TestServices t;
    t.settings.setValue(SettingsKey::acknowledgedHiddenStorage, true);
    for (const QString& name : fourFiles)
        t.addDesktopFile(name);
    const DesktopStack gathered = *t.stack(fourFiles.mid(0, 2), u"Gathered"_s);
    const DesktopStack spread = *t.stack(fourFiles.mid(2, 2), u"Spread"_s);
    t.manager().spread(spread.id, false);
    t.scheduler.runUntilIdle();
    QVERIFY(QFile::rename(t.stackFolder(gathered) + u"/a.txt"_s, t.desktopPath(u"a.txt"_s)));
    QVERIFY(QFile::rename(t.desktopPath(u"c.txt"_s), t.stackFolder(spread) + u"/c.txt"_s));

    StackManager& manager = t.relaunch();
    QStringList broken = brokenPromises(t);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
    QCOMPARE(t.namesIn(t.stackFolder(gathered)), (QStringList{u"a.txt"_s, u"b.txt"_s}));
    QCOMPARE(t.record(spread.id)->state, StackState::expanded);
    QVERIFY(QFile::exists(t.desktopPath(u"c.txt"_s)));
    // Told, and the icon that came out is put at its place.
    QCOMPARE(t.alerts.messages().size(), 1);
    QVERIFY(t.alerts.messages().at(0).contains(
        u"half moved when Tidora stopped: \u201CGathered\u201D, \u201CSpread\u201D"_s));
    t.scheduler.runUntilIdle();
    QVERIFY(t.desktop.callTexts().join(QLatin1Char('|')).contains(u"c.txt"_s));

    // A file of a gathered stack that is on the Desktop is spread where it is, never numbered.
    QVERIFY(QFile::rename(t.stackFolder(gathered) + u"/b.txt"_s, t.desktopPath(u"b.txt"_s)));
    manager.spread(gathered.id, false);
    QCOMPARE(TestServices::itemNames(*t.record(gathered.id)),
             (QStringList{u"a.txt"_s, u"b.txt"_s}));
    broken = brokenPromises(t);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestRestoreAtLaunch)
#include "tst_restoreatlaunch.moc"
