#include "CajaDesktop.h"
#include "E2eTools.h"
#include "TempHome.h"
#include "TidoraProcess.h"
#include "TrayHost.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LocalFileSystem.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <algorithm>

#include <memory>
#include <optional>

namespace {

using E2eTools::itemNames;
using E2eTools::mouseAt;
using E2eTools::run;
using E2eTools::screenHeight;
using E2eTools::timeoutMs;
using E2eTools::windowRect;

bool xdotool(const QStringList& arguments)
{
    return CajaDesktop::xdotool(arguments);
}

} // namespace

// The built program on a Desktop drawn by Caja, with a tray host, driven as a user would:
// the shortcut, the Shift-drag, the marquee, the URL, the tray menu and a second launch.
// The functions run in order on one home and one program, each building on the last.
class TestTidoraApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void hotKeyStacksTheSelection();
    void shiftDragStacksAtTheReleasePoint();
    void marqueeSelectsTheWindowsItTouches();
    void urlReachesTheRunningCopy();
    void trayMenuShowsTheItems();
    void secondLaunchReplacesTheFirst();

private:
    QString desktopPath(const QString& name) const { return m_home->desktop() + u'/' + name; }
    QList<DesktopStack> stacks();
    bool waitForStacks(qsizetype count);
    std::optional<QPointF> iconCentre(const QString& name) const;
    bool select(const QStringList& names);
    QProcessEnvironment environment() const { return QProcessEnvironment::systemEnvironment(); }

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<LinuxPaths> m_paths;
    LocalFileSystem m_files;
    std::unique_ptr<CajaDesktop> m_caja;
    TrayHost m_tray;
    std::unique_ptr<TidoraProcess> m_app;
    QStringList m_names;
};

void TestTidoraApp::initTestCase()
{
    m_home = std::make_unique<TempHome>();
    qputenv("GSETTINGS_BACKEND", "memory");
    m_paths = std::make_unique<LinuxPaths>();
    // The first-run choice was made before.
    m_home->write(QStringLiteral(".config/Tidora/Tidora.conf"),
                  "[General]\nacknowledgedHiddenStorage=true\nstorageLocation=documents\n");
    m_names = {QStringLiteral("alpha.txt"),   QStringLiteral("beta.txt"),
               QStringLiteral("gamma.png"),   QStringLiteral("delta.png"),
               QStringLiteral("epsilon.pdf"), QStringLiteral("zeta.pdf")};
    for (const QString& name : std::as_const(m_names))
        m_home->write(QStringLiteral("Desktop/") + name, name.toUtf8());

    // The URL scheme's handler, registered as an installed program registers it.
    m_home->write(QStringLiteral(".local/share/applications/tidora.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Tidora\nExec=" +
                      QFile::encodeName(TidoraProcess::program()) +
                      " %u\nMimeType=x-scheme-handler/tidorama;\nNoDisplay=true\n");
    int status = 0;
    run(QStringLiteral("update-desktop-database"),
        {m_home->dataRoot() + QStringLiteral("/applications")}, &status);
    run(QStringLiteral("xdg-mime"),
        {QStringLiteral("default"), QStringLiteral("tidora.desktop"),
         QStringLiteral("x-scheme-handler/tidorama")},
        &status);
    QCOMPARE(status, 0);
    QCOMPARE(run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                              QStringLiteral("x-scheme-handler/tidorama")}),
             QStringLiteral("tidora.desktop"));

    m_caja = std::make_unique<CajaDesktop>(m_home->desktop());
    QVERIFY2(m_caja->waitUntilReady(m_names), "Caja did not show the Desktop");
    QVERIFY(m_tray.start());

    m_app = std::make_unique<TidoraProcess>();
    QVERIFY2(m_app->waitForOutput(QStringLiteral("launched with 0 stacks")),
             qPrintable(m_app->output()));
}

void TestTidoraApp::cleanupTestCase()
{
    m_app.reset();
    m_tray.stop();
    m_caja.reset();
}

QList<DesktopStack> TestTidoraApp::stacks()
{
    // A file of its own each time: the program writes it, this only reads.
    StackListFile file(*m_paths, m_files);
    return file.loadStackList();
}

bool TestTidoraApp::waitForStacks(qsizetype count)
{
    return QTest::qWaitFor([&] { return stacks().size() == count; }, timeoutMs);
}

std::optional<QPointF> TestTidoraApp::iconCentre(const QString& name) const
{
    const std::optional<CajaDesktop::Icon> icon = m_caja->icon(name);
    if (!icon)
        return std::nullopt;
    return QRectF(icon->image).center();
}

// Clicks the first icon and Ctrl-clicks the others, as a user selects them.
bool TestTidoraApp::select(const QStringList& names)
{
    const auto selected = [&](const QString& name) {
        const std::optional<CajaDesktop::Icon> icon = m_caja->icon(name);
        return icon && icon->selected;
    };
    for (qsizetype i = 0; i < names.size(); ++i) {
        // A busy Caja may drop a click; click again, but never on an icon already selected,
        // where a Ctrl-click would take it out again.
        bool done = false;
        for (int attempt = 0; attempt < 3 && !done; ++attempt) {
            const std::optional<QPointF> centre = iconCentre(names[i]);
            if (!centre)
                return false;
            QStringList click = mouseAt(*centre);
            if (i > 0)
                click << QStringLiteral("keydown") << QStringLiteral("ctrl");
            click << QStringLiteral("click") << QStringLiteral("1");
            if (i > 0)
                click << QStringLiteral("keyup") << QStringLiteral("ctrl");
            if (!xdotool(click))
                return false;
            done = QTest::qWaitFor([&] { return selected(names[i]); }, timeoutMs / 4);
        }
        if (!done)
            return false;
    }
    return std::all_of(names.cbegin(), names.cend(), selected);
}

void TestTidoraApp::hotKeyStacksTheSelection()
{
    QVERIFY(select({QStringLiteral("alpha.txt"), QStringLiteral("beta.txt")}));
    // Another program's window has the focus.
    QProcess other;
    other.start(QStringLiteral("xmessage"),
                {QStringLiteral("-geometry"), QStringLiteral("+700+500"),
                 QStringLiteral("another program")});
    QVERIFY(other.waitForStarted(timeoutMs));
    QString window;
    QVERIFY(QTest::qWaitFor(
        [&] {
            window =
                run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--class"),
                                                QStringLiteral("Xmessage")})
                    .section(QLatin1Char('\n'), 0, 0);
            return !window.isEmpty();
        },
        timeoutMs));
    QVERIFY(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+s")}));

    QVERIFY2(waitForStacks(1), qPrintable(m_app->output()));
    const DesktopStack stack = stacks().first();
    QCOMPARE(itemNames(stack),
             QStringList({QStringLiteral("alpha.txt"), QStringLiteral("beta.txt")}));
    // The stack is saved before its files move: they follow.
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(desktopPath(QStringLiteral("alpha.txt"))),
                             timeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(desktopPath(QStringLiteral("beta.txt"))),
                             timeoutMs);
    const QString folder =
        m_home->documents() + QStringLiteral("/.Tidora/") + stack.folderName.value_or(QString());
    QCOMPARE(TempHome::read(folder + QStringLiteral("/alpha.txt")), QByteArray("alpha.txt"));
    // The other program kept the focus.
    QCOMPARE(run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}), window);
    other.kill();
    other.waitForFinished(timeoutMs);
}

void TestTidoraApp::shiftDragStacksAtTheReleasePoint()
{
    QVERIFY(select({QStringLiteral("gamma.png"), QStringLiteral("delta.png")}));
    const QPointF from = *iconCentre(QStringLiteral("gamma.png"));
    // A drag of the icons in Caja, Shift pressed on the way. Relative moves, so that the
    // raw-event monitor sees them as a hand on the mouse would make them.
    QStringList drag = mouseAt(from);
    drag << QStringLiteral("mousedown") << QStringLiteral("1") << QStringLiteral("sleep")
         << QStringLiteral("0.3");
    for (int step = 0; step < 4; ++step)
        drag << QStringLiteral("mousemove_relative") << QStringLiteral("10") << QStringLiteral("10")
             << QStringLiteral("sleep") << QStringLiteral("0.2");
    drag << QStringLiteral("keydown") << QStringLiteral("shift") << QStringLiteral("sleep")
         << QStringLiteral("0.3");
    for (int step = 0; step < 8; ++step)
        drag << QStringLiteral("mousemove_relative") << QStringLiteral("40") << QStringLiteral("15")
             << QStringLiteral("sleep") << QStringLiteral("0.2");
    drag << QStringLiteral("sleep") << QStringLiteral("0.5") << QStringLiteral("mouseup")
         << QStringLiteral("1") << QStringLiteral("sleep") << QStringLiteral("0.2")
         << QStringLiteral("keyup") << QStringLiteral("shift");
    const qsizetype before = m_app->output().size();
    QVERIFY(xdotool(drag));
    const QPointF released = from + QPointF(4 * 10 + 8 * 40, 4 * 10 + 8 * 15);

    QVERIFY2(m_app->waitForOutput(QStringLiteral("gesture stacks 2 files"), before),
             qPrintable(m_app->output().mid(before)));
    QVERIFY2(waitForStacks(2), qPrintable(m_app->output().mid(before)));
    const DesktopStack stack = stacks().last();
    QCOMPARE(itemNames(stack),
             QStringList({QStringLiteral("delta.png"), QStringLiteral("gamma.png")}));
    // Centred on the release point (screen coordinates, y upward).
    const QPointF centre = stack.windowOrigin + QPointF(70, 75);
    QVERIFY2(qAbs(centre.x() - released.x()) <= 2 &&
                 qAbs(centre.y() - (screenHeight - released.y())) <= 2,
             qPrintable(QStringLiteral("window centre %1,%2 for a release at %3,%4")
                            .arg(centre.x())
                            .arg(centre.y())
                            .arg(released.x())
                            .arg(released.y())));
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(desktopPath(QStringLiteral("gamma.png"))),
                             timeoutMs);
}

void TestTidoraApp::marqueeSelectsTheWindowsItTouches()
{
    const QList<DesktopStack> all = stacks();
    QCOMPARE(all.size(), 2);
    const QRectF target = windowRect(all[1]);
    const QRectF other = windowRect(all[0]);
    // From bare Desktop above and left of the window to its middle.
    const QPointF start = target.topLeft() - QPointF(40, 40);
    QVERIFY(!other.contains(start));
    QStringList marquee = mouseAt(start);
    marquee << QStringLiteral("mousedown") << QStringLiteral("1") << QStringLiteral("sleep")
            << QStringLiteral("0.2");
    for (int step = 0; step < 6; ++step)
        marquee << QStringLiteral("mousemove_relative") << QStringLiteral("20")
                << QStringLiteral("20") << QStringLiteral("sleep") << QStringLiteral("0.15");
    marquee << QStringLiteral("mouseup") << QStringLiteral("1");
    const QRectF swept(start, start + QPointF(120, 120));
    QVERIFY(swept.intersects(target));
    QVERIFY(!swept.intersects(other));

    const qsizetype before = m_app->output().size();
    QVERIFY(xdotool(marquee));
    const QString selected = QStringLiteral("selected: [") + all[1].name + QLatin1Char(']');
    QVERIFY2(m_app->waitForOutput(QStringLiteral("marquee"), before),
             qPrintable(m_app->output().mid(before)));
    QVERIFY2(m_app->waitForOutput(selected, before), qPrintable(m_app->output().mid(before)));

    // A stack window's context menu asks the Desktop for its selection, as the tray menu does.
    const qsizetype opened = m_app->output().size();
    QVERIFY(xdotool(mouseAt(target.center()) << QStringLiteral("click") << QStringLiteral("3")));
    QVERIFY2(m_app->waitForOutput(QStringLiteral("a menu opens: asking for the selection"), opened),
             qPrintable(m_app->output().mid(opened)));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));

    // A plain click on the Desktop clears it.
    const qsizetype clicked = m_app->output().size();
    QVERIFY(xdotool(mouseAt(QPointF(1000, 650)) << QStringLiteral("click") << QStringLiteral("1")));
    QVERIFY2(m_app->waitForOutput(QStringLiteral("on the Desktop: true selected: []"), clicked),
             qPrintable(m_app->output().mid(clicked)));
}

void TestTidoraApp::urlReachesTheRunningCopy()
{
    QVERIFY(select({QStringLiteral("epsilon.pdf")}));
    const qint64 running = m_app->processId();
    const qsizetype before = m_app->output().size();
    int status = -1;
    run(QStringLiteral("xdg-open"), {QStringLiteral("tidorama://stack-selection")}, &status);
    QCOMPARE(status, 0);
    QVERIFY2(m_app->waitForOutput(QStringLiteral("tidorama://stack-selection"), before),
             qPrintable(m_app->output().mid(before)));
    QVERIFY2(waitForStacks(3), qPrintable(m_app->output().mid(before)));
    QCOMPARE(itemNames(stacks().last()), QStringList({QStringLiteral("epsilon.pdf")}));
    QVERIFY(m_app->isRunning());
    QCOMPARE(m_app->processId(), running);
}

void TestTidoraApp::trayMenuShowsTheItems()
{
    const std::optional<QRect> found = m_tray.waitForIcon();
    QVERIFY2(found, "the tray host shows no icon");
    const QRect icon = *found;

    // Files selected on the Desktop: opening the menu asks the Desktop again, and the first
    // item turns on when the answer comes.
    QVERIFY(select({QStringLiteral("zeta.pdf")}));
    const qsizetype before = m_app->output().size();
    QVERIFY(xdotool(mouseAt(icon.center()) << QStringLiteral("click") << QStringLiteral("3")));
    const QString expected = QStringLiteral(
        "menu: +Stack Selected Files | +Auto-Stack by Type | +Spread All Stacks | -Stack All Again "
        "| "
        "+Convert All Stacks into Folders\u2026 | -Undo Convert into Folders | "
        "+Dissolve All Stacks\u2026 | +Keep Stacked Files In | "
        "+Hold Shift While Dragging to Stack | +File Manager Right-Click Menu\u2026 | "
        "+Shortcuts | +Help & Recovering Files\u2026 | +About Tidora | +Uninstall Tidora\u2026 | "
        "+Quit Tidora");
    QVERIFY2(m_app->waitForOutput(expected, before), qPrintable(m_app->output().mid(before)));

    // From the keyboard, as the open menu has it: up from the bottom to "About Tidora".
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Up"), QStringLiteral("Up"),
                     QStringLiteral("Up"), QStringLiteral("Return")}));
    QString about;
    QVERIFY(QTest::qWaitFor(
        [&] {
            about = run(QStringLiteral("xdotool"),
                        {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--name"), QStringLiteral("About Tidora")});
            return !about.isEmpty();
        },
        timeoutMs));
    QVERIFY(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                     about.section(QLatin1Char('\n'), 0, 0), QStringLiteral("key"),
                     QStringLiteral("Escape")}));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return run(QStringLiteral("xdotool"),
                       {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--name"), QStringLiteral("About Tidora")})
                .isEmpty();
        },
        timeoutMs));
    QVERIFY(m_app->isRunning());
}

void TestTidoraApp::secondLaunchReplacesTheFirst()
{
    const QList<DesktopStack> before = stacks();
    // This time the tray host comes after the program.
    m_tray.stop();
    auto second = std::make_unique<TidoraProcess>();
    QVERIFY2(m_app->waitForExit(), qPrintable(m_app->output()));
    QCOMPARE(m_app->process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_app->process().exitCode(), 0);
    QVERIFY2(second->waitForOutput(QStringLiteral("launched with 3 stacks")),
             qPrintable(second->output()));
    QVERIFY(second->isRunning());
    QCOMPARE(stacks(), before);
    QVERIFY(m_tray.start());
    QVERIFY2(m_tray.waitForIcon(), "the icon did not come to the tray that started later");
    m_app = std::move(second);
}

QTEST_GUILESS_MAIN(TestTidoraApp)
#include "tst_tidoraapp.moc"
