#include "E2eSession.h"
#include "E2eTools.h"
#include "FileInvariant.h"
#include "platform/linux/InodeBookmarks.h"
#include "platform/linux/LocalFileSystem.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <csignal>

namespace {

using E2eTools::run;
using E2eTools::timeoutMs;

// What the first copy is doing when the second starts.
enum class Moment { LaunchReport, FirstRunChoice, Spreading, Killed };

// The program's visible windows of one process: with `alerts`, its alerts; otherwise its tray
// icons.
QStringList windowsOf(qint64 process, bool alerts)
{
    QStringList criteria{QStringLiteral("--class"), QStringLiteral("tidora")};
    if (process > 0)
        criteria = QStringList{QStringLiteral("--pid"), QString::number(process)} + criteria;
    QStringList found;
    for (const QString& id : E2eTools::search(criteria)) {
        const QRect geometry = E2eTools::windowGeometry(id);
        if (!geometry.isValid())
            continue;
        const bool small = geometry.width() <= 64 && geometry.height() <= 64;
        const bool alert = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id}) ==
                           QStringLiteral("Tidora");
        if (alerts ? alert && !small : small)
            found.append(id);
    }
    return found;
}

// The program's processes running in this home.
QList<qint64> runningCopies(const QString& home)
{
    const QString program = QFileInfo(TidoraProcess::program()).canonicalFilePath();
    const QByteArray variable = "HOME=" + QFile::encodeName(home);
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 process = entry.toLongLong(&number);
        if (!number ||
            QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).canonicalFilePath() != program)
            continue;
        if (TempHome::read(QStringLiteral("/proc/%1/environ").arg(entry))
                .split('\0')
                .contains(variable))
            found.append(process);
    }
    return found;
}

} // namespace

// Whatever the running copy is doing, a second start leaves exactly one copy running, with one
// tray icon, and no file lost, doubled or renamed.
class TestSingleCopy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondStartTakesOver_data();
    void secondStartTakesOver();
};

void TestSingleCopy::secondStartTakesOver_data()
{
    QTest::addColumn<Moment>("moment");
    QTest::newRow("launch report") << Moment::LaunchReport;
    QTest::newRow("first-run choice") << Moment::FirstRunChoice;
    QTest::newRow("spreading") << Moment::Spreading;
    QTest::newRow("killed before") << Moment::Killed;
}

void TestSingleCopy::secondStartTakesOver()
{
    QFETCH(Moment, moment);
    E2eSession session;
    E2eSession::Options options;
    options.firstRunDone = moment != Moment::FirstRunChoice;
    options.launch = false;
    QString error;
    QVERIFY2(session.setUp(options, &error), qPrintable(error));
    TempHome& home = session.home();
    LinuxPaths paths;
    LocalFileSystem files;
    FileInvariant invariant(home);
    // Where the desktop's file service keeps icon positions.
    invariant.allowPlace(QStringLiteral(".local/share/gvfs-metadata"));
    invariant.addDesktopFile(QStringLiteral("mine.txt"));

    // A collapsed stack whose files lie in its folder.
    InodeBookmarks bookmarks([&] { return QList<InodeBookmarks::SearchRoot>{}; });
    auto stackOf = [&](const QString& name, int count) {
        DesktopStack stack;
        stack.id = QUuid::createUuid();
        stack.name = name;
        stack.folderName = name;
        stack.windowOrigin = QPointF(300, 300);
        for (int i = 0; i < count; ++i) {
            const QString file =
                invariant.addFile(QStringLiteral("Documents/.Tidora/%1/f%2.txt").arg(name).arg(i));
            stack.items.append(StackItem{QUuid::createUuid(), QFileInfo(file).fileName(),
                                         *bookmarks.make(file), QPointF(20 + i % 40, 40)});
        }
        return stack;
    };
    DesktopStack many;
    switch (moment) {
    case Moment::LaunchReport:
        // A folder nobody lists comes back as a stack, and the report says so.
        invariant.addFile(QStringLiteral("Documents/.Tidora/Photos/p.jpg"));
        break;
    case Moment::FirstRunChoice:
    case Moment::Killed:
        break;
    case Moment::Spreading:
        many = stackOf(QStringLiteral("Many"), 2000);
        QVERIFY(StackListFile(paths, files).saveStackList({many}));
        break;
    }
    const QHash<QString, QString> before = invariant.locations();

    TidoraProcess first;
    switch (moment) {
    case Moment::LaunchReport:
    case Moment::FirstRunChoice:
        QVERIFY2(QTest::qWaitFor([&] { return !windowsOf(first.processId(), true).isEmpty(); },
                                 timeoutMs),
                 qPrintable(first.output()));
        break;
    case Moment::Spreading: {
        QVERIFY2(first.waitForOutput(QStringLiteral("launched with 1 stacks")),
                 qPrintable(first.output()));
        // A double-click spreads a collapsed stack; under way, the first files are back on
        // the Desktop.
        QVERIFY2(session.driver().spreadByDoubleClick(
                     E2eTools::windowRect(many).toRect(),
                     [&] { return QDir(home.desktop()).entryList(QDir::Files).size() > 1; }),
                 qPrintable(first.output()));
        break;
    }
    case Moment::Killed:
        QVERIFY(first.waitForOutput(QStringLiteral("launched with")));
        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(first.waitForExit());
        break;
    }

    TidoraProcess second;
    if (moment != Moment::Killed) {
        QVERIFY2(first.waitForExit(), qPrintable(first.output()));
        QCOMPARE(first.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.process().exitCode(), 0);
    }
    // The second copy goes on with its own launch; its alerts are answered as a user would.
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     if (second.output().contains(QStringLiteral("launched with")))
                         return true;
                     for (const QString& alert : windowsOf(second.processId(), true)) {
                         session.driver().pressKeysIn(
                             alert, {QStringLiteral("space"), QStringLiteral("Return")});
                     }
                     return false;
                 },
                 timeoutMs),
             qPrintable(second.output()));
    QCOMPARE(runningCopies(home.home()), QList<qint64>{second.processId()});
    QVERIFY(QTest::qWaitFor([&] { return !windowsOf(0, false).isEmpty(); }, timeoutMs));
    QCOMPARE(windowsOf(0, false).size(), 1);

    // Every file once, whole, under its own name.
    TIDORA_CHECK_INVARIANT(invariant);
    const QHash<QString, QString> after = invariant.locations();
    for (auto file = before.cbegin(); file != before.cend(); ++file)
        QCOMPARE(QFileInfo(after.value(file.key())).fileName(), QFileInfo(file.key()).fileName());
    second.stop();
}

QTEST_GUILESS_MAIN(TestSingleCopy)
#include "tst_singlecopy.moc"
