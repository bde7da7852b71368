#include "LogCapture.h"
#include "X11TestClient.h"
#include "X11TestTools.h"
#include "platform/x11/X11DesktopPlatform.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <memory>

using namespace X11TestTools;

namespace {
bool hasEvent(const QList<PointerEvent>& events, PointerEvent::Kind kind, QPoint at,
              Qt::MouseButton button = Qt::NoButton)
{
    for (const PointerEvent& event : events) {
        if (event.kind == kind && event.position == at && event.button == button)
            return true;
    }
    return false;
}
} // namespace

// The X11 platform on the test display. CTest runs each group of these functions in a process
// of its own (see CMakeLists.txt), so that no test inherits another's grabs and windows.
class TestX11Platform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void theHotKeyFiresWhereverTheFocusIs();
    void aTakenHotKeyIsLoggedOnce();
    void theDesktopIsTheRootOrADesktopWindow();
    void stackWindowsGetTheirHints();
    void pointerEventsFollowTheButtons();
    void theDragSourceOffersTheFilesOfARealDrag();

private:
    std::unique_ptr<X11DesktopPlatform> m_platform;
    QList<PointerEvent> m_events;
};

void TestX11Platform::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_platform = X11DesktopPlatform::create();
    QVERIFY(m_platform);
    QCOMPARE(m_platform->features(), DesktopPlatform::allFeatures());
    connect(m_platform.get(), &DesktopPlatform::pointerEvent, this,
            [this](const PointerEvent& event) { m_events.append(event); });
}

void TestX11Platform::theHotKeyFiresWhereverTheFocusIs()
{
    // Another program has the focus.
    QProcess other;
    const QString window = startDragSource(other, 600, 100, {QStringLiteral("/")});
    QVERIFY(!window.isEmpty());
    QVERIFY(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}));

    QSignalSpy pressed(m_platform.get(), &DesktopPlatform::hotKeyPressed);
    QVERIFY(m_platform->registerHotKey());
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+s")}));
    QTRY_COMPARE(pressed.size(), 1);
    // The other window keeps the focus.
    QCOMPARE(xdotoolOutput({QStringLiteral("getwindowfocus")}), window);

    for (const QString& lock : {QStringLiteral("Num_Lock"), QStringLiteral("Caps_Lock")}) {
        QVERIFY(xdotool({QStringLiteral("key"), lock}));
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+s")}));
        QVERIFY(xdotool({QStringLiteral("key"), lock}));
    }
    QTRY_COMPARE(pressed.size(), 3);

    // Keys arrive in order: once the combination typed after them has fired, they have not.
    for (const QString& other :
         {QStringLiteral("ctrl+s"), QStringLiteral("alt+s"), QStringLiteral("ctrl+alt+shift+s"),
          QStringLiteral("s"), QStringLiteral("ctrl+alt+s")})
        QVERIFY(xdotool({QStringLiteral("key"), other}));
    QTRY_COMPARE(pressed.size(), 4);
    QCOMPARE(pressed.size(), 4);
    other.kill();
    other.waitForFinished();
}

void TestX11Platform::aTakenHotKeyIsLoggedOnce()
{
    // The grabs of the test before belong to another platform object's connection: drop them.
    // Our grab from the test before goes first; then another program takes the combination.
    m_platform.reset();
    X11TestClient holder;
    QVERIFY(holder.grabHotKey());
    m_platform = X11DesktopPlatform::create();
    LogCapture log;
    QVERIFY(!m_platform->registerHotKey());
    QVERIFY(!m_platform->registerHotKey());
    QCOMPARE(log.startingWith(QStringLiteral("Tidorama: ")),
             QStringList{QStringLiteral(
                 "Tidorama: the shortcut Ctrl+Alt+S is already taken by another program")});
}

void TestX11Platform::theDesktopIsTheRootOrADesktopWindow()
{
    X11TestClient other;
    QVERIFY(m_platform->desktopWindowClass().isEmpty());
    // Nothing stands in the lower right corner: the root.
    QVERIFY(m_platform->isOnDesktop({1200, 750}));

    other.createWindow({0, 0, 640, 400}, "DESKTOP", false, "TidoraTestDesktop");
    other.createWindow({700, 100, 300, 200}, "NORMAL", false);
    other.createWindow({700, 500, 200, 100}, QByteArray(), true);
    QTRY_VERIFY(m_platform->isOnDesktop({100, 100}));
    // The point lay on the root before: its answer alone does not show the new window is seen.
    QTRY_COMPARE(m_platform->desktopWindowClass(), QStringLiteral("TidoraTestDesktop"));
    QTRY_VERIFY(!m_platform->isOnDesktop({850, 200}));
    QVERIFY(!m_platform->isOnDesktop({800, 550}));
    QVERIFY(m_platform->isOnDesktop({1200, 750}));

    // Our own windows never are the Desktop, whatever they claim to be.
    QWidget own;
    own.setGeometry(100, 500, 200, 100);
    own.winId();
    other.setWindowType(quint32(own.winId()), "DESKTOP");
    own.show();
    QVERIFY(QTest::qWaitForWindowExposed(&own));
    // The root lay there before: the answer changes once the window is seen.
    QTRY_VERIFY(!m_platform->isOnDesktop({200, 550}));
}

void TestX11Platform::stackWindowsGetTheirHints()
{
    auto hinted = [](WId window) {
        const QString properties = xprop(window);
        return properties.contains(QStringLiteral("_NET_WM_STATE_BELOW")) &&
               properties.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")) &&
               properties.contains(QStringLiteral("_NET_WM_STATE_SKIP_PAGER")) &&
               properties.contains(QStringLiteral("_NET_WM_DESKTOP(CARDINAL) = 4294967295"));
    };
    const Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                                  Qt::WindowDoesNotAcceptFocus;
    // Before the first show: properties.
    QWidget before(nullptr, flags);
    before.setGeometry(200, 200, 140, 150);
    before.winId();
    m_platform->decorateStackWindow(before.windowHandle());
    before.show();
    QVERIFY(QTest::qWaitForWindowExposed(&before));
    QTRY_VERIFY2(hinted(before.winId()), qPrintable(xprop(before.winId())));

    // Once shown: the window manager is asked.
    QWidget after(nullptr, flags);
    after.setGeometry(400, 200, 140, 150);
    after.show();
    QVERIFY(QTest::qWaitForWindowExposed(&after));
    QVERIFY(!hinted(after.winId()));
    m_platform->decorateStackWindow(after.windowHandle());
    QTRY_VERIFY2(hinted(after.winId()), qPrintable(xprop(after.winId())));
}

void TestX11Platform::pointerEventsFollowTheButtons()
{
    // Another program's window under every click: on the bare root the window manager would
    // open its menu and keep the pointer.
    X11TestClient other;
    other.createWindow({50, 50, 600, 500}, QByteArray(), true);
    m_platform->startPointerEvents();
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("100")}));
    m_events.clear();
    // Moving without a button reports nothing (the press below comes first) and polls nothing.
    QVERIFY(
        xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("5"), QStringLiteral("5")}));
    QVERIFY(!m_platform->isPolling());

    QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Press, {105, 105}, Qt::LeftButton));
    QVERIFY(m_platform->isPolling());
    QVERIFY(xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"),
                     QStringLiteral("45"), QStringLiteral("35")}));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Drag, {150, 140}));
    QVERIFY(xdotool({QStringLiteral("keydown"), QStringLiteral("shift")}));
    QTRY_VERIFY(!m_events.isEmpty() &&
                m_events.last().kind == PointerEvent::Kind::ModifiersChanged &&
                m_events.last().modifiers == Qt::ShiftModifier);
    // Absolute motion from XTEST makes no raw motion event: the poll sees it.
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("400"), QStringLiteral("300")}));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Drag, {400, 300}));
    QCOMPARE(m_events.last().modifiers, Qt::ShiftModifier);
    QVERIFY(xdotool({QStringLiteral("keyup"), QStringLiteral("shift")}));
    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Release, {400, 300}, Qt::LeftButton));
    QVERIFY(!m_platform->isPolling());
    QCOMPARE(m_events.first().kind, PointerEvent::Kind::Press);
    QCOMPARE(m_events.last().kind, PointerEvent::Kind::Release);

    // A right click is reported, drags nothing and polls nothing.
    m_events.clear();
    QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("3")}));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Press, {400, 300}, Qt::RightButton));
    QVERIFY(!m_platform->isPolling());
    QVERIFY(xdotool(
        {QStringLiteral("mousemove_relative"), QStringLiteral("10"), QStringLiteral("10")}));
    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("3")}));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Release, {410, 310}, Qt::RightButton));
    QCOMPARE(m_events.size(), 2);
    // The wheel is no button press: the click after it is the next event.
    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("4")}));
    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_COMPARE(m_events.size(), 4);
    QCOMPARE(m_events.at(2).button, Qt::LeftButton);
    QCOMPARE(m_platform->pointerPosition(), QPoint(410, 310));
    QVERIFY(!m_events.at(2).ownWindow);

    // A press on one of our own windows says so: the window handles it itself.
    QWidget own;
    own.setGeometry(700, 600, 100, 80);
    own.show();
    QVERIFY(QTest::qWaitForWindowExposed(&own));
    m_events.clear();
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("750"), QStringLiteral("640"),
                     QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Press, {750, 640}, Qt::LeftButton));
    QVERIFY(m_events.first().ownWindow);
}

void TestX11Platform::theDragSourceOffersTheFilesOfARealDrag()
{
    // The pointer must enter the source's window from outside for Qt to take the press there.
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("1270"), QStringLiteral("790")}));
    QTemporaryDir folder;
    const QStringList files{folder.filePath(QStringLiteral("a b.txt")),
                            folder.filePath(QString::fromUtf8("\xc3\xbc \"quoted\".pdf"))};
    for (const QString& file : files) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QProcess source;
    const QString window = startDragSource(source, 300, 200, files);
    QVERIFY(!window.isEmpty());

    for (int round = 0; round < 2; ++round) {
        const int before = m_platform->dragChangeCount();
        QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                         QStringLiteral("100"), QStringLiteral("100")}));
        QVERIFY(!waitForLine(source, {"entered"}).isEmpty());
        QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
        QCOMPARE(m_platform->dragChangeCount(), before);
        // Step by step, each step seen, until the drag begins where Qt took the press; else
        // the source is told to begin it.
        QByteArray said;
        for (int step = 0; step < 6 && said != "dragging"; ++step) {
            QVERIFY(xdotool(
                {QStringLiteral("mousemove_relative"), QStringLiteral("8"), QStringLiteral("6")}));
            said = waitForLine(source, {"moved", "dragging"}, 2000);
        }
        if (said != "dragging") {
            source.write("drag\n");
            QVERIFY(!waitForLine(source, {"dragging"}).isEmpty());
        }
        QTRY_VERIFY(m_platform->dragChangeCount() > before);
        QTRY_COMPARE(m_platform->dragFiles(), files);
        QVERIFY(
            xdotool({QStringLiteral("mousemove"), QStringLiteral("900"), QStringLiteral("600")}));
        QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
        QVERIFY(!waitForLine(source, {"dropped"}).isEmpty());
    }
    source.kill();
    source.waitForFinished();
}

QTEST_MAIN(TestX11Platform)
#include "tst_x11platform.moc"
