#include "WindowRig.h"
#include "X11TestClient.h"
#include "X11TestTools.h"
#include "desktop/StackPreview.h"
#include "desktop/StackView.h"
#include "desktop/StackViewModel.h"
#include "platform/x11/X11DesktopPlatform.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace X11TestTools;

namespace {

QImage screenshot(const QString& name)
{
    const QString path = QDir::current().filePath(name);
    QFile::remove(path);
    if (!run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path}))
        return {};
    return QImage(path);
}

// The screen once it has stopped changing: two shots in a row alike.
QImage settledScreenshot(const QString& name)
{
    QImage previous;
    QImage shot;
    const bool settled = QTest::qWaitFor(
        [&] {
            previous = shot;
            shot = screenshot(name);
            return !shot.isNull() && shot == previous;
        },
        15000);
    return settled ? shot : QImage();
}

// The window manager has taken the window on (it sets WM_STATE once it manages a window):
// before that, pointer events may reach the root instead.
bool waitUntilManaged(const QWidget& window)
{
    return QTest::qWaitFor([&window] {
        return xprop({QStringLiteral("-id"), QString::number(window.winId()),
                      QStringLiteral("WM_STATE")})
            .contains(QLatin1String("Normal"));
    });
}

// Puts the pointer at `at` and waits until the window has seen it enter: a press that comes
// before reaches the root or goes unnoticed.
bool pointAt(const QWidget& window, QPoint at)
{
    return xdotool(
               {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())}) &&
           QTest::qWaitFor([&window] { return window.underMouse(); });
}

bool near(const QColor& a, const QColor& b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class TestStackWindowsX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void theWindowStaysBelowARaisedWindow();
    void aClickedStackTakesReturn();
    void aDoubleClickSpreadsTheStack();
    void aDragFollowsThePointer();
    void screenshotsOfTheStacks();

private:
    // A one-file stack window "A" at `origin`.
    StackWindow& make(WindowRig& rig, QPointF origin)
    {
        return rig.make(QStringLiteral("A"), WindowRig::record(QStringLiteral("A"), 1),
                        {rig.file(QStringLiteral("a.txt"))}, origin, m_platform.get());
    }

    std::unique_ptr<X11DesktopPlatform> m_platform;
};

void TestStackWindowsX11::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // The window manager starts alongside the test; windows mapped before it runs would be
    // taken over half-way.
    QTRY_VERIFY_WITH_TIMEOUT(
        xprop({QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
            .contains(QLatin1String("window id")),
        10000);
    m_platform = X11DesktopPlatform::create();
    QVERIFY(m_platform);
}

void TestStackWindowsX11::cleanup()
{
    if (StackPreview* open = StackPreview::current())
        open->closePreview();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestStackWindowsX11::theWindowStaysBelowARaisedWindow()
{
    WindowRig rig;
    StackWindow& a = make(rig, {200, 300});
    QWidget normal;
    normal.setWindowTitle(QStringLiteral("normal"));
    normal.setGeometry(150, 300, 400, 300);
    normal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&normal));
    QVERIFY(QTest::qWaitForWindowExposed(&a));

    // An unselected stack does not take the focus from the user's program.
    const QString properties = xprop(a.winId());
    QVERIFY2(properties.contains(QLatin1String("Client accepts input or input focus: False")),
             qPrintable(properties));

    // Below the normal window even when it was shown later and raised. The window manager
    // takes requests in order: once a window shown after the raise is listed, the raise is done.
    a.orderFront();
    QWidget marker;
    marker.setGeometry(700, 600, 50, 50);
    marker.show();
    const auto hex = [](WId id) { return QStringLiteral("0x%1").arg(id, 0, 16); };
    const auto stacking = [] {
        return xprop({QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    };
    QTRY_VERIFY2(stacking().indexOf(hex(marker.winId())) >= 0, qPrintable(stacking()));
    QVERIFY2(stacking().indexOf(hex(a.winId())) >= 0 &&
                 stacking().indexOf(hex(a.winId())) < stacking().indexOf(hex(normal.winId())),
             qPrintable(stacking()));
}

void TestStackWindowsX11::aClickedStackTakesReturn()
{
    QWidget other;
    other.setGeometry(100, 100, 300, 200);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    WindowRig rig;
    StackWindow& a = make(rig, {600, 300});
    QVERIFY(QTest::qWaitForWindowExposed(&a) && waitUntilManaged(a));

    QVERIFY(pointAt(a, a.geometry().center()));
    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_COMPARE(rig.host.selection, QSet<QUuid>{a.stackID()});
    QTRY_VERIFY(a.isActiveWindow());
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QTRY_COMPARE(rig.host.actions().count(QStringLiteral("rename A")), 1);
    // Keypad Enter too; Shift+Return is not ours. Keys arrive in order: once the Enter after it
    // has renamed, Shift+Return has not.
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("shift+Return")}));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("KP_Enter")}));
    QTRY_COMPARE(rig.host.actions().count(QStringLiteral("rename A")), 2);

    // Deselected, it gives the focus back to the window manager's care.
    a.setSelected(false);
    QTRY_VERIFY(a.windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
}

void TestStackWindowsX11::aDoubleClickSpreadsTheStack()
{
    WindowRig rig;
    StackWindow& a = make(rig, {600, 300});
    QVERIFY(QTest::qWaitForWindowExposed(&a) && waitUntilManaged(a));
    // As a hand double-clicks: the window takes the focus on the first click.
    QVERIFY(pointAt(a, a.geometry().center()));
    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                     QStringLiteral("--delay"), QStringLiteral("120"), QStringLiteral("1")}));
    QTRY_COMPARE(rig.host.actions().count(QStringLiteral("toggle A")), 1);
}

void TestStackWindowsX11::aDragFollowsThePointer()
{
    WindowRig rig;
    StackWindow& a = make(rig, {300, 300});
    QVERIFY(QTest::qWaitForWindowExposed(&a) && waitUntilManaged(a));
    const QRect before = a.geometry();
    QVERIFY(pointAt(a, before.center()));
    QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    QTRY_VERIFY(rig.host.calls.contains(QStringLiteral("beginGroupDrag A")));
    for (int i = 1; i <= 5; ++i) {
        QVERIFY(xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"),
                         QStringLiteral("12"), QStringLiteral("-7")}));
        QTRY_COMPARE(a.geometry().topLeft(), before.topLeft() + QPoint(12 * i, -7 * i));
    }
    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    QTRY_VERIFY(!a.isDragging());
    QCOMPARE(a.frameOrigin(), QPointF(360, 335));
    QTRY_COMPARE(rig.host.calls.filter(QStringLiteral("moved")).last(),
                 QStringLiteral("moved A 360,335"));
    // The window manager applies the move after Qt records it: ask the server until it has.
    const QByteArray expected = "Absolute upper-left X:  " + QByteArray::number(before.x() + 60);
    QByteArray info;
    const auto serverHasIt = [&] {
        info.clear();
        run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(a.winId())}, &info);
        return info.contains(expected);
    };
    QTRY_VERIFY2(serverHasIt(), QByteArray(expected + "\n" + info).constData());
    // A drag is never a click.
    QCOMPARE(rig.host.actions().filter(QStringLiteral("toggle")).size(), 0);
}

void TestStackWindowsX11::screenshotsOfTheStacks()
{
    const QColor desktop(0x2f, 0x5d, 0x73);
    X11TestClient wallpaper;
    wallpaper.setWallpaper(desktop);
    QVERIFY(!m_platform->hasCompositor());
    WindowRig rig;
    const QStringList pictures{
        rig.image(QStringLiteral("beach.png"), QColor(0xe8, 0x5d, 0x3a)),
        rig.image(QStringLiteral("forest.png"), QColor(0x3a, 0xa8, 0x5d), QSize(90, 120)),
        rig.image(QStringLiteral("sky.png"), QColor(0x3a, 0x6e, 0xe8)),
        rig.file(QStringLiteral("notes.txt"))};
    StackWindow& collapsed =
        rig.make(QStringLiteral("A"), WindowRig::record(QStringLiteral("4 Photos"), 4), pictures,
                 {200, 250}, m_platform.get());
    StackWindow& selected = rig.make(
        QStringLiteral("B"), WindowRig::record(QStringLiteral("Invoices and receipts 2024"), 2),
        {rig.file(QStringLiteral("invoice.pdf")), rig.file(QStringLiteral("receipt.pdf"))},
        {420, 250}, m_platform.get());
    StackWindow& spread =
        rig.make(QStringLiteral("C"), WindowRig::record(QStringLiteral("Spread"), 3, true), {},
                 {640, 250}, m_platform.get());
    rig.scheduler.runUntilIdle();
    selected.selectOnly();
    for (StackWindow* window : {&collapsed, &selected, &spread}) {
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->view().finishAnimations();
    }
    StackPreview::toggle(collapsed);
    StackPreview* preview = StackPreview::current();
    QVERIFY(preview);
    QVERIFY(QTest::qWaitForWindowExposed(preview));
    rig.scheduler.runUntilIdle();

    const QImage shot = settledScreenshot(QStringLiteral("stackwindows-opaque.png"));
    QVERIFY(!shot.isNull());
    // Around the cards the desktop shows, never a black box.
    for (StackWindow* window : {&collapsed, &selected, &spread}) {
        const QRect frame = window->geometry();
        for (const QPoint corner :
             {frame.topLeft() + QPoint(2, 2), frame.bottomLeft() + QPoint(2, -2),
              frame.bottomRight() - QPoint(2, 2)}) {
            // The preview lies over the top of its stack window.
            if (preview->geometry().contains(corner))
                continue;
            QVERIFY2(near(shot.pixelColor(corner), desktop),
                     qPrintable(shot.pixelColor(corner).name()));
        }
        QCOMPARE(window->view().backdrop(), desktop);
    }
    // The thumbnails show in the fan, the first one on top.
    const QRect fan = collapsed.geometry();
    QVERIFY(near(shot.pixelColor(fan.x() + 75, fan.y() + 60), QColor(0xe8, 0x5d, 0x3a), 20));
    // The preview's rounded corners show the desktop or the panel, never a dark fringe.
    const QColor panel = preview->palette().color(QPalette::Active, QPalette::Window);
    const QRect box = preview->geometry();
    for (const QPoint corner : {box.topLeft(), box.bottomLeft() - QPoint(0, 11),
                                box.topRight() - QPoint(11, 0), box.bottomRight() - QPoint(11, 11)})
        for (int x = 0; x < 12; ++x)
            for (int y = 0; y < 12; ++y) {
                const QColor pixel = shot.pixelColor(corner + QPoint(x, y));
                QVERIFY2(near(pixel, desktop, 12) || near(pixel, panel, 40),
                         qPrintable(pixel.name()));
            }
    // The preview is open above the collapsed stack, its lower edge over the window's top.
    QVERIFY(preview->geometry().bottom() > collapsed.geometry().top());
    QVERIFY(preview->geometry().top() < collapsed.geometry().top());

    // A compositor starts: the windows become translucent and still show the desktop.
    QSignalSpy changed(m_platform.get(), &DesktopPlatform::compositorChanged);
    QProcess compositor;
    compositor.start(QStringLiteral("xcompmgr"), QStringList());
    QVERIFY(compositor.waitForStarted());
    QTRY_VERIFY(m_platform->hasCompositor());
    QTRY_VERIFY(collapsed.view().isCompositing());
    const QImage composited = settledScreenshot(QStringLiteral("stackwindows-composited.png"));
    compositor.kill();
    compositor.waitForFinished();
    QTRY_VERIFY(!m_platform->hasCompositor());
    QVERIFY(!composited.isNull());
    const QPoint corner = selected.geometry().bottomLeft() + QPoint(2, -2);
    QVERIFY2(near(composited.pixelColor(corner), desktop),
             qPrintable(composited.pixelColor(corner).name()));
}

QTEST_MAIN(TestStackWindowsX11)
#include "tst_stackwindows_x11.moc"
