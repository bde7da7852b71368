#include "E2eSession.h"
#include "E2eTools.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

using E2eTools::itemNames;
using E2eTools::run;
using E2eTools::screenHeight;
using E2eTools::timeoutMs;
using E2eTools::windowRect;
using E2eTools::xdotool;

} // namespace

// The built program on a Desktop drawn by Caja, with a tray host, driven as a user would:
// the shortcut, the Shift-drag, the marquee, the tray menu and a second launch.
// The functions run in order on one home and one program, each building on the last.
class TestTidoraApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void hotKeyStacksTheSelection();
    void shiftDragStacksAtTheReleasePoint();
    void marqueeSelectsTheWindowsItTouches();
    void selectedStacksMoveTogether();
    void trayMenuShowsTheItems();
    void rightClickStacksWhatItHandsOver();
    void secondLaunchReplacesTheFirst();

private:
    QString desktopPath(const QString& name) const { return m_session->desktopPath(name); }
    QList<DesktopStack> stacks() const { return m_session->stacks(); }
    bool waitForStacks(qsizetype count) const { return m_session->waitForStacks(count); }
    TidoraProcess& app() { return m_session->app(); }
    DesktopDriver& driver() { return m_session->driver(); }
    bool select(const QStringList& names) const { return m_session->caja().select(names); }
    // Drags the stack window by `by` and waits until every stack listed in `moved` has been
    // saved that far from where it was.
    bool dragStack(const DesktopStack& dragged, QPointF by, const QList<DesktopStack>& moved);

    std::unique_ptr<E2eSession> m_session;
};

void TestTidoraApp::initTestCase()
{
    m_session = std::make_unique<E2eSession>();
    E2eSession::Options options;
    options.desktopFiles = {QStringLiteral("alpha.txt"), QStringLiteral("beta.txt"),
                            QStringLiteral("gamma.png"), QStringLiteral("delta.png"),
                            QStringLiteral("zeta.pdf"),  QStringLiteral("eta.txt")};
    options.caja = true;
    QString error;
    QVERIFY2(m_session->setUp(options, &error), qPrintable(error));
    QVERIFY(app().output().contains(QStringLiteral("launched with 0 stacks")));
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
                E2eTools::search({QStringLiteral("--class"), QStringLiteral("Xmessage")}).value(0);
            return !window.isEmpty();
        },
        timeoutMs));
    QVERIFY(driver().pressKeysIn(window, {QStringLiteral("ctrl+alt+s")}));

    QVERIFY2(waitForStacks(1), qPrintable(app().output()));
    const DesktopStack stack = stacks().first();
    QCOMPARE(itemNames(stack),
             QStringList({QStringLiteral("alpha.txt"), QStringLiteral("beta.txt")}));
    // The stack is saved before its files move: they follow.
    for (const QString& name : itemNames(stack))
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(desktopPath(name)), timeoutMs);
    const QString folder = m_session->home().documents() + QStringLiteral("/.Tidora/") +
                           stack.folderName.value_or(QString());
    QCOMPARE(TempHome::read(folder + QStringLiteral("/alpha.txt")), QByteArray("alpha.txt"));
    // The other program kept the focus.
    QCOMPARE(run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}), window);
    other.kill();
    other.waitForFinished(timeoutMs);
}

void TestTidoraApp::shiftDragStacksAtTheReleasePoint()
{
    QVERIFY(select({QStringLiteral("gamma.png"), QStringLiteral("delta.png")}));
    const QPointF from = m_session->caja().icon(QStringLiteral("gamma.png"))->centre();
    const QStringList shownBefore = E2eTools::programWindows();
    // Caja's drag of the icons, Shift pressed on the way; relative moves, so that the
    // raw-event monitor sees them as a hand on the mouse makes them.
    QStringList drag = E2eTools::dragBy(from, QPointF(10, 10), 4);
    drag.resize(drag.size() - 2);
    drag << QStringLiteral("keydown") << QStringLiteral("shift");
    for (int step = 0; step < 8; ++step)
        drag << QStringLiteral("mousemove_relative") << QStringLiteral("40")
             << QStringLiteral("15");
    const qsizetype before = app().output().size();
    QVERIFY(xdotool(drag));
    const QPointF released = from + QPointF(4 * 10 + 8 * 40, 4 * 10 + 8 * 15);
    // Armed, the program shows its hint at the pointer; a move there and back again gives the
    // monitor one more look should the drag's files have come after the last move. The first
    // stack's window may only now be mapped on a busy machine: the hint is the untitled one.
    const auto isHint = [&](const QString& id) {
        return !shownBefore.contains(id) &&
               run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id}) !=
                   QLatin1String("Tidora stack");
    };
    const bool armed = QTest::qWaitFor(
        [&] {
            const QStringList now = E2eTools::programWindows();
            if (std::any_of(now.cbegin(), now.cend(), isHint))
                return true;
            xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"),
                     QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("mousemove_relative"),
                     QStringLiteral("--"), QStringLiteral("-1"), QStringLiteral("0")});
            return false;
        },
        timeoutMs);
    // Shift is let go only once the program has taken the release: released together, the
    // program may see the key up before the button, and a drop without Shift is Caja's own.
    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    const bool stacked =
        armed && app().waitForOutput(QStringLiteral("gesture stacks 2 files"), before);
    QVERIFY(xdotool({QStringLiteral("keyup"), QStringLiteral("shift")}));
    QVERIFY2(armed, "no hint shows while Shift is held in the drag");
    QVERIFY2(stacked, qPrintable(app().output().mid(before)));
    QVERIFY2(waitForStacks(2), qPrintable(app().output().mid(before)));
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
    const QRectF swept(start, start + QPointF(120, 120));
    QVERIFY(!other.contains(start));
    QVERIFY(swept.intersects(target));
    QVERIFY(!swept.intersects(other));
    QVERIFY(driver().waitForStackWindowAt(target.toRect()));
    const qsizetype before = app().output().size();
    QVERIFY2(driver().marquee(start, swept.bottomRight(),
                              QStringLiteral("selected: [") + all[1].name + QLatin1Char(']')),
             qPrintable(app().output().mid(before)));

    // A stack window's context menu asks the Desktop for its selection, as the tray menu does.
    const qsizetype opened = app().output().size();
    QVERIFY2(driver().openWindowMenu(target.center()), qPrintable(app().output().mid(before)));
    QVERIFY2(app().waitForOutput(QStringLiteral("a menu opens: asking for the selection"), opened),
             qPrintable(app().output().mid(opened)));
    QVERIFY(driver().closeMenu());
    // A plain click on the Desktop clears it.
    QVERIFY2(driver().clickDesktop(), qPrintable(app().output().mid(opened)));
}

bool TestTidoraApp::dragStack(const DesktopStack& dragged, QPointF by,
                              const QList<DesktopStack>& moved)
{
    if (!driver().waitForStackWindowAt(windowRect(dragged).toRect()))
        return false;
    if (!xdotool(E2eTools::dragBy(windowRect(dragged).center(), by / 4, 4)))
        return false;
    // Screen coordinates: y upward.
    const QPointF delta(by.x(), -by.y());
    return QTest::qWaitFor(
        [&] {
            const QList<DesktopStack> now = stacks();
            return std::all_of(moved.cbegin(), moved.cend(), [&](const DesktopStack& before) {
                return std::any_of(now.cbegin(), now.cend(), [&](const DesktopStack& stack) {
                    return stack.id == before.id &&
                           stack.windowOrigin == before.windowOrigin + delta;
                });
            });
        },
        timeoutMs);
}

// Presses on the program's own windows reach its global mouse monitor too; they must leave the
// selection to the windows' own click rules.
void TestTidoraApp::selectedStacksMoveTogether()
{
    QList<DesktopStack> all = stacks();
    QCOMPARE(all.size(), 2);
    const QRectF both = windowRect(all[0]).united(windowRect(all[1]));
    // A marquee from bare Desktop beside both windows across both.
    const QPointF start = both.bottomRight() + QPointF(30, 30);
    QVERIFY2(start.x() < 1280 && start.y() < screenHeight, "no bare Desktop below the stacks");
    const qsizetype before = app().output().size();
    QVERIFY2(driver().marquee(start, both.topLeft() + QPointF(10, 10),
                              QStringLiteral("selected: [%1, %2]").arg(all[0].name, all[1].name)),
             qPrintable(app().output().mid(before)));

    // Dragging one of them carries the other along, and both are saved where they went.
    QVERIFY2(dragStack(all[0], QPointF(60, 40), all), qPrintable(app().output().mid(before)));

    // Shift-click adds a stack to the one clicked before. The other one is dragged: a press
    // on the stack just clicked would be the second click of a double-click.
    all = stacks();
    const qsizetype clicked = app().output().size();
    QVERIFY(driver().clickDesktop(start));
    QVERIFY(driver().waitForStackWindowAt(windowRect(all[0]).toRect()));
    QVERIFY(E2eTools::click(windowRect(all[0]).center()));
    QVERIFY(E2eTools::click(windowRect(all[1]).center(), QStringLiteral("shift")));
    QVERIFY2(dragStack(all[0], QPointF(-40, 60), all), qPrintable(app().output().mid(clicked)));

    // Its menu speaks of both.
    all = stacks();
    const qsizetype opened = app().output().size();
    QVERIFY(driver().openWindowMenu(windowRect(all[0]).center()));
    QVERIFY2(app().waitForOutput(QStringLiteral("stack menu: Spread Files | Spread Files in a Grid "
                                                "| Convert 2 Stacks into Folders | Dissolve 2 "
                                                "Stacks | Move 2 Stacks to Bin\u2026"),
                                 opened),
             qPrintable(app().output().mid(opened)));
    QVERIFY(driver().closeMenu());
}

void TestTidoraApp::trayMenuShowsTheItems()
{
    // Files selected on the Desktop: opening the menu asks the Desktop again, and the first
    // item turns on when the answer comes.
    QVERIFY(select({QStringLiteral("zeta.pdf")}));
    const qsizetype before = driver().openTrayMenu();
    QVERIFY2(before >= 0, "the tray menu did not open");
    const QString expected = QStringLiteral(
        "menu: +Stack Selected Files | +Auto-Stack by Type | +Spread All Stacks | -Stack All Again "
        "| "
        "+Convert All Stacks into Folders\u2026 | -Undo Convert into Folders | "
        "+Dissolve All Stacks\u2026 | +Keep Stacked Files In | "
        "+Hold Shift While Dragging to Stack | +File Manager Right-Click Menu\u2026 | "
        "+Shortcuts | +Help & Recovering Files\u2026 | +About Tidora | +Uninstall Tidora\u2026 | "
        "+Quit Tidora");
    QVERIFY2(app().waitForOutput(expected, before), qPrintable(app().output().mid(before)));

    QVERIFY(driver().closeMenu());
}

void TestTidoraApp::rightClickStacksWhatItHandsOver()
{
    // zeta.pdf is selected on the Desktop; eta.txt is right-clicked in a file manager window.
    QVERIFY(select({QStringLiteral("zeta.pdf")}));
    const qsizetype before = app().output().size();
    QProcess finder;
    finder.start(QStringLiteral(TIDORA_FINDER),
                 {QStringLiteral("--"), desktopPath(QStringLiteral("eta.txt"))});
    QVERIFY(finder.waitForFinished(timeoutMs));
    QCOMPARE(finder.exitCode(), 0);
    QVERIFY2(waitForStacks(3), qPrintable(app().output().mid(before)));
    QCOMPARE(itemNames(stacks().last()), QStringList{QStringLiteral("eta.txt")});
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(desktopPath(QStringLiteral("eta.txt"))), timeoutMs);
    QVERIFY(QFileInfo::exists(desktopPath(QStringLiteral("zeta.pdf"))));
}

void TestTidoraApp::secondLaunchReplacesTheFirst()
{
    const QList<DesktopStack> before = stacks();
    // This time the tray host comes after the program.
    m_session->tray().stop();
    auto second = std::make_unique<TidoraProcess>();
    QVERIFY2(app().waitForExit(), qPrintable(app().output()));
    QCOMPARE(app().process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(app().process().exitCode(), 0);
    QVERIFY2(second->waitForOutput(QStringLiteral("launched with 3 stacks")),
             qPrintable(second->output()));
    QVERIFY(second->isRunning());
    QCOMPARE(stacks(), before);
    QVERIFY(m_session->tray().start());
    QVERIFY2(m_session->tray().waitForIcon(),
             "the icon did not come to the tray that started later");
    m_session->adopt(std::move(second));
}

QTEST_GUILESS_MAIN(TestTidoraApp)
#include "tst_tidoraapp.moc"
