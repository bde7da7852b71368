#include "WindowRig.h"
#include "X11Screen.h"
#include "desktop/StackPreview.h"
#include "platform/x11/X11DesktopPlatform.h"

#include <QApplication>
#include <QTest>

using namespace X11TestTools;

namespace {

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

} // namespace

class TestStackWindowsX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void theWindowStaysBelowARaisedWindow();
    void aClickSelectsReturnRenamesADoubleClickSpreads();
    void aDragFollowsThePointer();

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
    QVERIFY(X11Screen::waitForWindowManager());
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

void TestStackWindowsX11::aClickSelectsReturnRenamesADoubleClickSpreads()
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

    // As a hand double-clicks: the window takes the focus on the first click.
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

QTEST_MAIN(TestStackWindowsX11)
#include "tst_stackwindows_x11.moc"
