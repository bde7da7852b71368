#include "CajaDesktop.h"
#include "E2eTools.h"
#include "TempHome.h"
#include "TidoraProcess.h"
#include "TrayHost.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LocalFileSystem.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineF>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <map>
#include <memory>
#include <optional>

namespace {

using E2eTools::itemNames;
using E2eTools::mouseAt;
using E2eTools::run;
using E2eTools::timeoutMs;
using E2eTools::windowRect;

const QString cajaScript = QStringLiteral(".config/caja/scripts/Stack with Tidora");

// The program's windows on the screen now, the tray menu's included.
QStringList programWindows()
{
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                QStringLiteral("--class"), QStringLiteral("^tidora$")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool xdotool(const QStringList& arguments)
{
    return CajaDesktop::xdotool(arguments);
}

QStringList manifestLines(const QString& manifest)
{
    return QString::fromUtf8(TempHome::read(manifest)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

// Tidora as a user gets it: installed with cmake --install into a prefix in a fresh home,
// started from there on a Desktop drawn by Caja, given its right-click action through the
// tray menu, used through that action and its stack window, and uninstalled through the tray
// menu. The functions run in order, each building on the last.
class TestInstalledApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void installsForThisUser();
    void trayMenuAddsTheRightClickAction();
    void rightClickActionStacksThreeFiles();
    void spreadPutsTheIconsBack();
    void restackLeavesTheMovedIconOut();
    void convertsAndUndoes();
    void uninstallGivesEverythingBack();

private:
    QString desktopPath(const QString& name) const { return m_home->desktop() + u'/' + name; }
    QList<DesktopStack> stacks();
    // The one stack there is; an empty one when there is not exactly one.
    DesktopStack onlyStack();
    bool waitForState(StackState state);
    bool waitForStacks(qsizetype count);
    // Opens the tray menu and chooses the item from the keyboard, as the menu offers it now.
    bool chooseInTrayMenu(const QString& item);
    // Presses keys in the alert the program shows.
    bool answerAlert(const QStringList& keys);
    void clickDesktop();

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<LinuxPaths> m_paths;
    LocalFileSystem m_files;
    std::unique_ptr<CajaDesktop> m_caja;
    TrayHost m_tray;
    std::unique_ptr<TidoraProcess> m_app;
    QString m_prefix;
    QStringList m_names;
    std::map<QString, QPointF> m_before;
};

void TestInstalledApp::initTestCase()
{
    m_home = std::make_unique<TempHome>();
    qputenv("GSETTINGS_BACKEND", "memory");
    m_paths = std::make_unique<LinuxPaths>();
    m_prefix = m_home->home() + QStringLiteral("/.local");
    // The first-run choice was made before (that alert has tests of its own).
    m_home->write(QStringLiteral(".config/Tidora/Tidora.conf"),
                  "[General]\nacknowledgedHiddenStorage=true\nstorageLocation=documents\n");
    m_names = {QStringLiteral("alpha.txt"), QStringLiteral("beta.txt"), QStringLiteral("gamma.txt"),
               QStringLiteral("note.txt")};
    for (const QString& name : std::as_const(m_names))
        m_home->write(QStringLiteral("Desktop/") + name, name.toUtf8());

    m_caja = std::make_unique<CajaDesktop>(m_home->desktop());
    QVERIFY2(m_caja->waitUntilReady(m_names), "Caja did not show the Desktop");
    QVERIFY(m_tray.start());

    // A second file manager for the program to find, whether or not this machine has Nemo.
    const QString nemo = m_home->write(QStringLiteral("programs/nemo"), "#!/bin/sh\nexit 0\n");
    QVERIFY(QFile::setPermissions(nemo, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("PATH", QFile::encodeName(QFileInfo(nemo).path()) + ':' + qgetenv("PATH"));
}

void TestInstalledApp::cleanupTestCase()
{
    m_app.reset();
    m_tray.stop();
    m_caja.reset();
}

QList<DesktopStack> TestInstalledApp::stacks()
{
    StackListFile file(*m_paths, m_files);
    return file.loadStackList();
}

DesktopStack TestInstalledApp::onlyStack()
{
    const QList<DesktopStack> all = stacks();
    return all.size() == 1 ? all.first() : DesktopStack();
}

bool TestInstalledApp::waitForState(StackState state)
{
    return QTest::qWaitFor(
        [&] {
            const QList<DesktopStack> all = stacks();
            return all.size() == 1 && all.first().state == state;
        },
        timeoutMs);
}

bool TestInstalledApp::waitForStacks(qsizetype count)
{
    return QTest::qWaitFor([&] { return stacks().size() == count; }, timeoutMs);
}

bool TestInstalledApp::chooseInTrayMenu(const QString& item)
{
    const std::optional<QRect> icon = m_tray.waitForIcon();
    if (!icon)
        return false;
    const qsizetype before = m_app->output().size();
    const QStringList shownBefore = programWindows();
    if (!xdotool(mouseAt(QRectF(*icon).center()) << QStringLiteral("click") << QStringLiteral("3")))
        return false;
    if (!m_app->waitForOutput(QStringLiteral("menu: "), before))
        return false;
    // The menu says what it holds before it is on the screen; keys sent before it is mapped
    // go elsewhere, and a loaded machine can take a while to map it.
    const bool shown = QTest::qWaitFor(
        [&] {
            const QStringList now = programWindows();
            return std::any_of(now.cbegin(), now.cend(),
                               [&](const QString& id) { return !shownBefore.contains(id); });
        },
        timeoutMs);
    if (!shown)
        qWarning() << "the tray menu did not show";
    QTest::qWait(500);
    const QString output = m_app->output().mid(before);
    const QString line = output.mid(output.lastIndexOf(QStringLiteral("menu: ")) + 6)
                             .section(QLatin1Char('\n'), 0, 0);
    QStringList enabled;
    for (const QString& entry : line.split(QStringLiteral(" | "))) {
        if (entry.startsWith(QLatin1Char('+')))
            enabled.append(entry.mid(1).remove(QLatin1Char('"')).trimmed());
    }
    const qsizetype index = enabled.indexOf(item);
    if (index <= 0) {
        qWarning().noquote() << "not offered:" << item << "in" << line;
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        return false;
    }
    // Counted from the end: the selection's answer may still turn the first item on or off.
    QStringList keys{QStringLiteral("key")};
    for (qsizetype i = index; i < enabled.size(); ++i)
        keys.append(QStringLiteral("Up"));
    keys.append(QStringLiteral("Return"));
    return xdotool(keys);
}

bool TestInstalledApp::answerAlert(const QStringList& keys)
{
    QStringList alerts;
    const auto shown = [&] {
        alerts = E2eTools::windowsNamed(QStringLiteral("Tidora"));
        return !alerts.isEmpty();
    };
    if (!QTest::qWaitFor(shown, timeoutMs)) {
        qWarning() << "no alert shows";
        return false;
    }
    if (!xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), alerts.first()})) {
        qWarning() << "the alert can't be activated";
        return false;
    }
    // The last key may end the program before xdotool is done with the window: what counts
    // is that the alert goes.
    xdotool(QStringList{QStringLiteral("key")} + keys);
    const QString alert = alerts.first();
    return QTest::qWaitFor(
        [&] { return !E2eTools::windowsNamed(QStringLiteral("Tidora")).contains(alert); },
        timeoutMs);
}

void TestInstalledApp::clickDesktop()
{
    xdotool(mouseAt(QPointF(1000, 650)) << QStringLiteral("click") << QStringLiteral("1"));
}

void TestInstalledApp::installsForThisUser()
{
    int status = -1;
    run(QStringLiteral(TIDORA_CMAKE),
        {QStringLiteral("--install"), QStringLiteral(TIDORA_BUILD_DIR), QStringLiteral("--prefix"),
         m_prefix},
        &status);
    QCOMPARE(status, 0);
    const QString manifest = m_prefix + QStringLiteral("/share/tidora/install-manifest.txt");
    const QStringList listed = manifestLines(manifest);
    for (const QString& file : {QStringLiteral("/bin/tidora"), QStringLiteral("/bin/tidora-finder"),
                                QStringLiteral("/share/applications/tidora.desktop"),
                                QStringLiteral("/share/icons/hicolor/scalable/apps/tidora.svg"),
                                QStringLiteral("/share/man/man1/tidora.1"),
                                QStringLiteral("/share/man/man1/tidora-finder.1")}) {
        QVERIFY2(listed.contains(m_prefix + file), qPrintable(file));
        QVERIFY(QFileInfo(m_prefix + file).isFile());
    }
    QCOMPARE(listed.last(), manifest);
    // The launcher names the program where it was installed.
    QVERIFY(TempHome::read(m_prefix + QStringLiteral("/share/applications/tidora.desktop"))
                .contains(
                    QByteArray("\nExec=\"" + QFile::encodeName(m_prefix) + "/bin/tidora\" %u\n")));

    // Started as a user starts it; it registers itself to open at login.
    m_app =
        std::make_unique<TidoraProcess>(QStringList(), m_prefix + QStringLiteral("/bin/tidora"));
    QVERIFY2(m_app->waitForOutput(QStringLiteral("launched with 0 stacks")),
             qPrintable(m_app->output()));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return TempHome::read(m_home->configRoot() +
                                  QStringLiteral("/autostart/tidora.desktop"))
                .contains(QByteArray(QFile::encodeName(m_prefix) + "/bin/tidora"));
        },
        timeoutMs));
}

void TestInstalledApp::trayMenuAddsTheRightClickAction()
{
    QVERIFY(chooseInTrayMenu(QStringLiteral("File Manager Right-Click Menu\u2026")));
    QVERIFY(QTest::qWaitFor(
        [] { return !E2eTools::windowsNamed(QStringLiteral("Tidora")).isEmpty(); }, timeoutMs));
    // What the user sees, kept for a look.
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                   QStringLiteral(TIDORA_BUILD_DIR "/right-click-menu.png")});
    QVERIFY(answerAlert({QStringLiteral("Return")}));
    QVERIFY(answerAlert({QStringLiteral("Return")}));
    const QByteArray script = TempHome::read(m_home->home() + u'/' + cajaScript);
    QVERIFY2(
        script.contains(QByteArray(QFile::encodeName(m_prefix) + "/bin/tidora-finder -- \"$@\"")),
        script.constData());
    QVERIFY(QFileInfo(m_home->dataRoot() + QStringLiteral("/nemo/actions/tidora-stack.nemo_action"))
                .isFile());
}

void TestInstalledApp::rightClickActionStacksThreeFiles()
{
    const QStringList three{m_names[0], m_names[1], m_names[2]};
    for (const QString& name : three)
        m_before[name] = QRectF(m_caja->icon(name)->image).center();

    // The action as Caja runs it: the script, in the folder shown, with the selected paths.
    QProcess action;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QStringList paths;
    for (const QString& name : three)
        paths.append(desktopPath(name));
    environment.insert(QStringLiteral("CAJA_SCRIPT_SELECTED_FILE_PATHS"),
                       paths.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    action.setProcessEnvironment(environment);
    action.setWorkingDirectory(m_home->desktop());
    const qsizetype before = m_app->output().size();
    action.start(m_home->home() + u'/' + cajaScript, paths);
    QVERIFY(action.waitForFinished(timeoutMs));
    QCOMPARE(action.exitCode(), 0);
    QCOMPARE(action.readAll(), QByteArray());

    QVERIFY2(m_app->waitForOutput(QStringLiteral("tidorama://stack-selection"), before),
             qPrintable(m_app->output().mid(before)));
    QVERIFY2(waitForStacks(1), qPrintable(m_app->output().mid(before)));
    const DesktopStack stack = onlyStack();
    QCOMPARE(itemNames(stack), QStringList({m_names[0], m_names[1], m_names[2]}));
    // Each file kept the place its icon had.
    for (const StackItem& item : stack.items)
        QCOMPARE(item.position, std::optional(m_before.at(item.name)));
    // The stack is saved before its files move: they follow.
    for (const QString& name : three)
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(desktopPath(name)), timeoutMs);
    QVERIFY(QFileInfo::exists(desktopPath(m_names[3])));
}

void TestInstalledApp::spreadPutsTheIconsBack()
{
    QVERIFY(waitForState(StackState::collapsed));
    const DesktopStack stack = onlyStack();
    // A click only selects a stacked stack; a double-click spreads it. Wait until the window
    // is shown in its place; in its first moments a slow program (the sanitizer build) has been
    // seen to miss the second click, so double-click again while the stack is still stacked,
    // as a user would.
    const QRect place = windowRect(stack).toRect();
    QVERIFY(QTest::qWaitFor(
        [&] {
            const QStringList shown = E2eTools::windowsNamed(QStringLiteral("Tidora stack"));
            return shown.size() == 1 && E2eTools::windowGeometry(shown.first()) == place;
        },
        timeoutMs));
    const auto spreadNow = [&] {
        return QTest::qWaitFor([&] { return onlyStack().state == StackState::expanded; }, 5000);
    };
    bool spread = false;
    for (int attempt = 0; attempt < 3 && !spread; ++attempt) {
        if (onlyStack().state != StackState::collapsed)
            break;
        QVERIFY(xdotool(mouseAt(place.center())
                        << QStringLiteral("click") << QStringLiteral("--repeat")
                        << QStringLiteral("2") << QStringLiteral("--delay") << QStringLiteral("120")
                        << QStringLiteral("1")));
        spread = spreadNow();
    }
    QVERIFY(spread || waitForState(StackState::expanded));
    for (const auto& [name, centre] : m_before) {
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(desktopPath(name)); }, timeoutMs));
        QVERIFY2(m_caja->waitForIconAt(name, centre), qPrintable(name));
    }
}

void TestInstalledApp::restackLeavesTheMovedIconOut()
{
    // Dragged to the right, as a hand on the mouse drags it, until it lies 100 points away
    // (Caja drops it some 20 points short of the pointer): the first icon, held by its upper
    // half, as the stack window lies just below it.
    const QString moved = m_names[0];
    const QPointF from = m_before.at(moved);
    QStringList drag = mouseAt(from - QPointF(0, 12));
    drag << QStringLiteral("mousedown") << QStringLiteral("1") << QStringLiteral("sleep")
         << QStringLiteral("0.3");
    for (int step = 0; step < 13; ++step)
        drag << QStringLiteral("mousemove_relative") << QStringLiteral("10") << QStringLiteral("0")
             << QStringLiteral("sleep") << QStringLiteral("0.1");
    drag << QStringLiteral("sleep") << QStringLiteral("0.5") << QStringLiteral("mouseup")
         << QStringLiteral("1");
    QVERIFY(xdotool(drag));
    // Caja writes the new place before it redraws the icon there.
    QPointF now = from;
    const bool movedAtAll = QTest::qWaitFor(
        [&] {
            const std::optional<CajaDesktop::Icon> shown = m_caja->icon(moved);
            now = shown ? QRectF(shown->image).center() : from;
            return now != from;
        },
        timeoutMs);
    QVERIFY2(movedAtAll && QLineF(from, now).length() >= 100,
             qPrintable(QStringLiteral("%1 at %2,%3 after the drag from %4,%5")
                            .arg(moved)
                            .arg(now.x())
                            .arg(now.y())
                            .arg(from.x())
                            .arg(from.y())));
    clickDesktop();

    const DesktopStack spread = onlyStack();
    QVERIFY(xdotool(mouseAt(windowRect(spread).center())
                    << QStringLiteral("click") << QStringLiteral("1")));
    QVERIFY(waitForState(StackState::collapsed));
    QCOMPARE(itemNames(onlyStack()), QStringList({m_names[1], m_names[2]}));
    QVERIFY(QFileInfo::exists(desktopPath(moved)));
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(desktopPath(m_names[1])), timeoutMs);
}

void TestInstalledApp::convertsAndUndoes()
{
    QVERIFY(chooseInTrayMenu(QStringLiteral("Convert All Stacks into Folders\u2026")));
    QVERIFY(answerAlert({QStringLiteral("Return")}));
    QVERIFY(waitForStacks(0));
    QString folder;
    QVERIFY(QTest::qWaitFor(
        [&] {
            const QStringList found =
                QDir(m_home->desktop()).entryList({QStringLiteral("TR_*")}, QDir::Dirs);
            folder = found.value(0);
            return !folder.isEmpty() &&
                   QFileInfo::exists(desktopPath(folder + u'/' + m_names[1])) &&
                   QFileInfo::exists(desktopPath(folder + u'/' + m_names[2]));
        },
        timeoutMs));

    const qsizetype before = m_app->output().size();
    QVERIFY(chooseInTrayMenu(QStringLiteral("Undo Convert into Folders")));
    QVERIFY2(waitForStacks(1), qPrintable(m_app->output().mid(before)));
    QVERIFY(QTest::qWaitFor([&] { return !QFileInfo::exists(desktopPath(folder)); }, timeoutMs));
    QCOMPARE(itemNames(onlyStack()), QStringList({m_names[1], m_names[2]}));
}

void TestInstalledApp::uninstallGivesEverythingBack()
{
    const QString manifest = m_prefix + QStringLiteral("/share/tidora/install-manifest.txt");
    const QStringList installed = manifestLines(manifest);
    clickDesktop();
    QVERIFY(chooseInTrayMenu(QStringLiteral("Uninstall Tidora\u2026")));
    // The checkbox has the focus while it keeps "Uninstall" disabled.
    const bool answered = answerAlert({QStringLiteral("space"), QStringLiteral("Return")});
    if (!answered) {
        qWarning().noquote() << m_app->output().right(4000);
        run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                       QStringLiteral(TIDORA_BUILD_DIR "/uninstall-alert.png")});
    }
    QVERIFY2(answered, qPrintable(m_app->output()));
    QVERIFY2(m_app->waitForExit(), qPrintable(m_app->output()));
    QCOMPARE(m_app->process().exitCode(), 0);

    for (const QString& name : std::as_const(m_names))
        QCOMPARE(TempHome::read(desktopPath(name)), name.toUtf8());
    QVERIFY(!QFileInfo::exists(m_home->documents() + QStringLiteral("/.Tidora")));
    QVERIFY(!QFileInfo::exists(m_home->dataRoot() + QStringLiteral("/Tidorama/stacks.json")));
    QVERIFY(!QFileInfo::exists(m_home->configRoot() + QStringLiteral("/Tidora/Tidora.conf")));
    QVERIFY(!QFileInfo::exists(m_home->configRoot() + QStringLiteral("/autostart/tidora.desktop")));
    for (const QString& file : installed)
        QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
    QVERIFY(!QFileInfo::exists(m_prefix + QStringLiteral("/bin")));
    // And the right-click actions that would run the program now gone.
    QVERIFY(!QFileInfo::exists(m_home->home() + u'/' + cajaScript));
    QVERIFY(!QFileInfo::exists(m_home->dataRoot() +
                               QStringLiteral("/nemo/actions/tidora-stack.nemo_action")));
}

QTEST_GUILESS_MAIN(TestInstalledApp)
#include "tst_installedapp.moc"
