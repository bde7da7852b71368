#include "FaultyFileSystem.h"
#include "FileInvariant.h"
#include "LogCapture.h"
#include "MemorySettings.h"
#include "TempHome.h"
#include "platform/linux/CajaBackend.h"
#include "platform/linux/DesktopProgram.h"
#include "platform/linux/IconDetour.h"
#include "platform/linux/LinuxDesktopBridge.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/MetadataTree.h"
#include "platform/linux/SelectionHandOver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The session the tests' bridges run in, and a process's environment in it.
const ProgramSession here{u":5"_s, u"c2"_s, u"unix:path=/run/user/1/bus"_s};
const QByteArrayList hereEnvironment{"HOME=/h", "DISPLAY=:5.0", "XDG_SESSION_ID=c2",
                                     "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1/bus"};

// A /proc of our own: one folder per process with its comm, cmdline and environ.
void addProcess(const TempHome& home, int pid, const QByteArray& command,
                const QList<QByteArray>& arguments,
                const QByteArrayList& environment = hereEnvironment)
{
    const QString folder = u"proc/%1/"_s.arg(pid);
    home.write(folder + u"comm"_s, command + '\n');
    QByteArray line;
    for (const QByteArray& argument : arguments)
        line += argument + '\0';
    home.write(folder + u"cmdline"_s, line);
    QByteArray variables;
    for (const QByteArray& variable : environment)
        variables += variable + '\0';
    home.write(folder + u"environ"_s, variables);
}

QByteArray bytes(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

class TestLinuxDesktopBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void metadataLocationFollowsGio();
    void cajaPositionsConvertBothWays();
    void storedPointsParseStrictly();
    void detourPutsFilesBackAfterACrash();
    void handOverCountsWhileFresh();
    void withoutAProgramNothingIsKnown();
    void programIsForcedDetectedOrFound();
    void onlyAProgramOfThisSessionCounts_data();
    void onlyAProgramOfThisSessionCounts();
};

void TestLinuxDesktopBridge::metadataLocationFollowsGio()
{
    TempHome home;
    const QString data = home.dataRoot();
    const MetadataTree tree(home.home(), data, {});
    const QByteArray homeTree = bytes(data) + "/gvfs-metadata/home";
    // A file not there yet is placed like any other.
    QCOMPARE(tree.locate(home.desktop() + u"/new \"x\".txt"_s),
             (MetadataLocation{homeTree, "/Desktop/new \"x\".txt"}));
    // Links in the folders are resolved, the name itself is not.
    home.makeFolder(u"Real"_s);
    QVERIFY(QFile::link(home.home() + u"/Real"_s, home.home() + u"/Linked"_s));
    QVERIFY(QFile::link(u"/nowhere"_s, home.home() + u"/Real/link"_s));
    QCOMPARE(tree.locate(home.home() + u"/Linked/./link"_s),
             (MetadataLocation{homeTree, "/Real/link"}));
    QCOMPARE(tree.locate(home.home()), (MetadataLocation{homeTree, "/"}));

    // Outside the home, on a file system the service names no tree for: the root tree.
    const QString outside = QDir::cleanPath(home.home() + u"/.."_s);
    QCOMPARE(tree.locate(outside + u"/x"_s),
             (MetadataLocation{bytes(data) + "/gvfs-metadata/root",
                               bytes(QDir(outside).canonicalPath()) + "/x"}));
    // On a separate file system the service names: that tree, relative to its mount point.
    const QTemporaryDir shm(u"/dev/shm/tidora-XXXXXX"_s);
    if (shm.isValid()) {
        const MetadataTree named(home.home(), data,
                                 [](quint32, quint32) { return u"uuid-1234"_s; });
        const MetadataLocation location = named.locate(shm.path() + u"/b"_s);
        QCOMPARE(location.treeFile, bytes(data) + "/gvfs-metadata/uuid-1234");
        QCOMPARE(location.treePath, "/" + bytes(QFileInfo(shm.path()).fileName()) + "/b");
    }
}

void TestLinuxDesktopBridge::cajaPositionsConvertBothWays()
{
    // Measured: at the standard zoom the 48-point image sits at the stored point; at "large"
    // (72) the stored (64, 182) is shown at (96, 273), 72 points wide.
    QCOMPARE(CajaBackend::centreOf(QPoint(64, 182), 48), QPointF(88, 206));
    QCOMPARE(CajaBackend::centreOf(QPoint(64, 182), 72), QPointF(96 + 36, 273 + 36));
    QCOMPARE(CajaBackend::storedFor(QPointF(703.4, 405.6), 48), QPoint(679, 382));
    for (const int size : {16, 24, 32, 48, 72, 96, 192}) {
        for (const QPoint stored : {QPoint(0, 0), QPoint(64, 182), QPoint(1203, 701)})
            QCOMPARE(CajaBackend::storedFor(CajaBackend::centreOf(stored, size), size), stored);
    }
}

void TestLinuxDesktopBridge::storedPointsParseStrictly()
{
    QCOMPARE(MetadataIconBackend::parseStoredPoint(u"64,182"_s), std::optional(QPoint(64, 182)));
    QCOMPARE(MetadataIconBackend::parseStoredPoint(u"-5,0"_s), std::optional(QPoint(-5, 0)));
    for (const QString& bad : {QString(), u" 64,182"_s, u"64, 182"_s, u"64,182,1"_s, u"a,b"_s,
                               u"64.5,1"_s, u"99999999999,1"_s})
        QCOMPARE(MetadataIconBackend::parseStoredPoint(bad), std::nullopt);
}

void TestLinuxDesktopBridge::detourPutsFilesBackAfterACrash()
{
    TempHome home;
    FileInvariant invariant(home);
    FaultyFileSystem files;
    LogCapture log;
    const QString shortName = u"note \"1\".txt"_s;
    const QString longName = QString(250, QLatin1Char('n'));
    const QString taken = u"taken.txt"_s;
    for (const QString& name : {shortName, longName, taken})
        invariant.addDesktopFile(name);

    // The move back fails, as a crash between the two renames would leave it.
    files.failMoves(
        [](const QString& from, const QString&) { return from.contains(u"/.tidora-return"_s); });
    IconDetour detour(files, home.desktop());
    QVERIFY(!detour.run(shortName));
    QVERIFY(!detour.run(longName));
    QVERIFY(!detour.run(taken));
    QVERIFY(QFile::exists(home.desktop() + u"/.tidora-return."_s + shortName));
    QVERIFY(QFile::exists(home.desktop() + u"/.tidora-return/"_s + longName));
    // Meanwhile another file took one of the names: it is never replaced.
    invariant.addDesktopFile(taken);
    TIDORA_CHECK_INVARIANT(invariant);

    files.clearFailures();
    MemorySettings settings;
    const LinuxPaths paths;
    const LinuxDesktopBridge bridge(paths, files, settings, LinuxDesktopBridge::Probes{},
                                    home.home() + u"/proc"_s);
    QVERIFY(QFile::exists(home.desktop() + u'/' + shortName));
    QVERIFY(QFile::exists(home.desktop() + u'/' + longName));
    QVERIFY(!QFileInfo::exists(home.desktop() + u"/.tidora-return"_s));
    QVERIFY(QFile::exists(home.desktop() + u"/.tidora-return.taken.txt"_s));
    QVERIFY(log.contains(u"Tidorama: could not restore "_s));
    TIDORA_CHECK_INVARIANT(invariant);

    // An undisturbed detour leaves nothing behind.
    QVERIFY(detour.run(shortName));
    QVERIFY(detour.run(longName));
    QCOMPARE(QDir(home.desktop())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                 .size(),
             4);
    TIDORA_CHECK_INVARIANT(invariant);
}

void TestLinuxDesktopBridge::handOverCountsWhileFresh()
{
    TempHome home;
    const SelectionHandOver handOver(home.runtimeFolder());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const qint64 ms = now.toMSecsSinceEpoch();
    const QByteArray odd = bytes(home.desktop()) + "/odd\xff.txt";
    const QList<QByteArray> paths{bytes(home.desktop()) + "/line\nbreak %41.txt", odd,
                                  bytes(home.desktop()) + "/\xe6\x96\x87.txt"};
    const qint64 freshMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(SelectionHandOver::freshFor).count();
    const QString file = home.write(u".run/tidora/selection"_s,
                                    SelectionHandOver::format(paths, ms - freshMs + 1000));
    QStringList unreadable;
    QCOMPARE(handOver.read(now, &unreadable),
             std::optional(QStringList{home.desktop() + u"/line\nbreak %41.txt"_s,
                                       home.desktop() + u"/\u6587.txt"_s}));
    // Not skipped in silence: the caller can name it.
    QCOMPARE(unreadable, QStringList{home.desktop() + u"/odd\uFFFD.txt"_s});
    QCOMPARE(handOver.read(now.addMSecs(2000)), std::nullopt);
    QCOMPARE(handOver.read(now.addMSecs(-freshMs - 2000)), std::nullopt);

    home.write(u".run/tidora/selection"_s,
               "tidora-selection 2\n" + QByteArray::number(ms) + "\n/a\n");
    QCOMPARE(handOver.read(now), std::nullopt);
    QFile::remove(file);
    const QString elsewhere = home.write(u"other"_s, SelectionHandOver::format({"/a"}, ms));
    QVERIFY(QFile::link(elsewhere, file));
    QCOMPARE(handOver.read(now), std::nullopt);
}

void TestLinuxDesktopBridge::withoutAProgramNothingIsKnown()
{
    TempHome home;
    LocalFileSystem files;
    MemorySettings settings;
    const LinuxPaths paths;
    LinuxDesktopBridge bridge(paths, files, settings, LinuxDesktopBridge::Probes{},
                              home.home() + u"/proc"_s);
    QCOMPARE(bridge.program(), DesktopProgram::none);
    const QString plain = home.write(u"Desktop/plain.txt"_s);
    home.write(u"Desktop/.dot"_s);
    QCOMPARE(
        bridge.desktopItems().value(),
        (QList<DesktopFile>{{home.desktop() + u"/.dot"_s, std::nullopt}, {plain, std::nullopt}}));
    QVERIFY(bridge.desktopPositions({u"plain.txt"_s}).value().isEmpty());
    QVERIFY(bridge.setDesktopPositions({{u"plain.txt"_s, QPointF(1, 1)}}));
    QVERIFY(bridge.announcePositions({{u"x"_s, QPointF(1, 1)}}));
    // The hot key and the tray menu say why they can't stack, and where to turn instead.
    QVERIFY(bridge.selectedFiles().error().description().contains(u"right-click"_s));

    // A context-menu hand-over is the selection of the request it was made for, filtered like
    // any other; the hot key leaves it alone, and the request uses it up.
    const QList<QByteArray> handed{bytes(plain), bytes(home.desktop()) + "/.dot",
                                   bytes(home.write(u"Desktop/in/side.txt"_s)),
                                   bytes(home.write(u"Documents/doc.txt"_s))};
    const QString file =
        home.write(u".run/tidora/selection"_s,
                   SelectionHandOver::format(handed, QDateTime::currentMSecsSinceEpoch()));
    QVERIFY(!bridge.selectedFiles());
    QCOMPARE(bridge.selectedFiles(SelectionSource::contextMenu).value(),
             (QList<DesktopFile>{{plain, std::nullopt}}));
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(!bridge.selectedFiles(SelectionSource::contextMenu));
    QCOMPARE(QDir(home.runtimeFolder() + u"/tidora"_s).entryList(QDir::Files), QStringList());
}

void TestLinuxDesktopBridge::programIsForcedDetectedOrFound()
{
    TempHome home;
    LocalFileSystem files;
    MemorySettings settings;
    const LinuxPaths paths;
    const QString proc = home.home() + u"/proc"_s;
    addProcess(home, 10, "caja", {"caja", "--no-desktop"});
    addProcess(home, 11, "pcmanfm", {"pcmanfm"});
    QStringList windowClass;
    LinuxDesktopBridge bridge(paths, files, settings,
                              LinuxDesktopBridge::Probes{[&] { return windowClass; }, {}}, proc,
                              here);
    QCOMPARE(bridge.program(), DesktopProgram::none);

    addProcess(home, 12, "pcmanfm", {"/usr/bin/pcmanfm", "--desktop", "--profile", "LXDE"});
    QCOMPARE(bridge.program(), DesktopProgram::pcmanfm);
    const auto found = DesktopPrograms::findProcess(proc, ::getuid(), here);
    QCOMPARE(DesktopPrograms::optionValue(found->arguments, u"profile"_s, u"p"_s), u"LXDE"_s);

    // The window that draws the Desktop decides over processes.
    windowClass = {u"desktop_window"_s, u"Caja"_s};
    QCOMPARE(bridge.program(), DesktopProgram::caja);
    windowClass = {u"nautilus-desktop"_s, u"Nautilus-desktop"_s};
    QCOMPARE(bridge.program(), DesktopProgram::none);

    // The setting decides over everything (it is read on the GUI-thread calls).
    settings.setValue(SettingsKey::desktopBackend, u"none"_s);
    windowClass = {u"desktop_window"_s, u"Caja"_s};
    QVERIFY(bridge.desktopPositions({u"a"_s}));
    QCOMPARE(bridge.program(), DesktopProgram::none);
    settings.setValue(SettingsKey::desktopBackend, u"auto"_s);
    (void)bridge.desktopPositions({u"a"_s});
    QCOMPARE(bridge.program(), DesktopProgram::caja);
}

void TestLinuxDesktopBridge::onlyAProgramOfThisSessionCounts_data()
{
    QTest::addColumn<QByteArrayList>("environment");
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<bool>("ours");
    const QByteArrayList plain{"caja", "-n", "--force-desktop"};
    const QByteArray bus = "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1/bus";
    QTest::newRow("this session") << hereEnvironment << plain << true;
    QTest::newRow("display written otherwise")
        << QByteArrayList{"DISPLAY=unix:5", "XDG_SESSION_ID=c2"} << plain << true;
    // Started by the user's service manager: no login session, the user's one bus.
    QTest::newRow("display alone") << QByteArrayList{"DISPLAY=:5", bus} << plain << true;
    QTest::newRow("another display")
        << QByteArrayList{"DISPLAY=:6", "XDG_SESSION_ID=c2", bus} << plain << false;
    QTest::newRow("display option")
        << hereEnvironment << QByteArrayList{"caja", "--force-desktop", "--display=:6"} << false;
    QTest::newRow("another login")
        << QByteArrayList{"DISPLAY=:5", "XDG_SESSION_ID=c7", bus} << plain << false;
    QTest::newRow("another bus") << QByteArrayList{"DISPLAY=:5",
                                                   "DBUS_SESSION_BUS_ADDRESS=unix:abstract=x"}
                                 << plain << false;
    QTest::newRow("no display") << QByteArrayList{"XDG_SESSION_ID=c2", bus} << plain << false;
    QTest::newRow("environment unreadable") << QByteArrayList{} << plain << false;
}

void TestLinuxDesktopBridge::onlyAProgramOfThisSessionCounts()
{
    QFETCH(QByteArrayList, environment);
    QFETCH(QByteArrayList, arguments);
    QFETCH(bool, ours);
    TempHome home;
    LocalFileSystem files;
    MemorySettings settings;
    const LinuxPaths paths;
    const QString proc = home.home() + u"/proc"_s;
    addProcess(home, 20, "caja", arguments, environment);
    LinuxDesktopBridge bridge(paths, files, settings, LinuxDesktopBridge::Probes{}, proc, here);
    QCOMPARE(bridge.program(), ours ? DesktopProgram::caja : DesktopProgram::none);
}

QTEST_GUILESS_MAIN(TestLinuxDesktopBridge)
#include "tst_linuxdesktopbridge.moc"
