#include "LogCapture.h"
#include "X11TestClient.h"
#include "X11TestTools.h"
#include "platform/x11/X11DesktopPlatform.h"

#include <QApplication>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <memory>

using namespace Qt::StringLiterals;

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
    void stackWindowsStayOnEveryWorkspace();
    void pointerEventsFollowTheButtons();
    void theDragSourceOffersTheFilesOfARealDrag();

private:
    std::unique_ptr<X11DesktopPlatform> m_platform;
    QList<PointerEvent> m_events;
};

void TestX11Platform::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
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
    const QString window = startDragSource(other, 600, 100, {u"/"_s});
    QVERIFY(!window.isEmpty());
    QVERIFY(xdotool({u"windowactivate"_s, u"--sync"_s, window}));

    QSignalSpy pressed(m_platform.get(), &DesktopPlatform::hotKeyPressed);
    QVERIFY(m_platform->registerHotKey());
    QVERIFY(xdo(u"key ctrl+alt+s"_s));
    QTRY_COMPARE(pressed.size(), 1);
    // The other window keeps the focus.
    QCOMPARE(xdotoolOutput({u"getwindowfocus"_s}), window);

    // With a lock key on, then after other combinations that must not fire: keys arrive in
    // order, so once the last combination has fired, the ones before it have not.
    QVERIFY(xdo(u"key Num_Lock ctrl+alt+s Num_Lock Caps_Lock ctrl+alt+s Caps_Lock"_s));
    QTRY_COMPARE(pressed.size(), 3);
    QVERIFY(xdo(u"key ctrl+s alt+s ctrl+alt+shift+s s ctrl+alt+s"_s));
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
    QCOMPARE(log.startingWith(u"Tidorama: "_s),
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
    QTRY_COMPARE(m_platform->desktopWindowClass(), u"TidoraTestDesktop"_s);
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
        return properties.contains(u"_NET_WM_STATE_BELOW"_s) &&
               properties.contains(u"_NET_WM_STATE_SKIP_TASKBAR"_s) &&
               properties.contains(u"_NET_WM_STATE_SKIP_PAGER"_s) &&
               properties.contains(u"_NET_WM_DESKTOP(CARDINAL) = 4294967295"_s);
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

void TestX11Platform::stackWindowsStayOnEveryWorkspace()
{
    auto rootValue = [](const char* property) {
        const QString line = xprop({u"-root"_s, QString::fromLatin1(property)});
        return line.section(u'=', 1).trimmed().toInt();
    };
    // KWin may start with a single workspace. The window starts on the first.
    if (rootValue("_NET_NUMBER_OF_DESKTOPS") < 2) {
        QVERIFY(xdo(u"set_num_desktops 2"_s));
        QTRY_VERIFY(rootValue("_NET_NUMBER_OF_DESKTOPS") >= 2);
    }
    auto toFirst = [&] {
        return xdo(u"set_desktop 0"_s) &&
               QTest::qWaitFor([&] { return rootValue("_NET_CURRENT_DESKTOP") == 0; });
    };
    QVERIFY(toFirst());
    // Whatever happens here, later tests start there too.
    const auto restore = qScopeGuard([&] { toFirst(); });
    QWidget window(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                                Qt::WindowDoesNotAcceptFocus);
    window.setGeometry(600, 300, 140, 150);
    window.winId();
    m_platform->decorateStackWindow(window.windowHandle());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // What the window manager made of it once it took the window on: KWin puts a new Tool window
    // on the current workspace whatever it asked for before mapping.
    QTRY_VERIFY2(xprop(window.winId()).contains(u"_NET_WM_DESKTOP(CARDINAL) = 4294967295"_s),
                 qPrintable(xprop(window.winId())));
    // And it shows on the second one.
    QVERIFY(xdo(u"set_desktop 1"_s));
    QTRY_COMPARE(rootValue("_NET_CURRENT_DESKTOP"), 1);
    QByteArray info;
    QTRY_VERIFY(run(u"xwininfo"_s, {u"-id"_s, QString::number(window.winId())}, &info) &&
                info.contains("IsViewable"));
}

void TestX11Platform::pointerEventsFollowTheButtons()
{
    // Another program's window under every click: on the bare root the window manager would
    // open its menu and keep the pointer.
    X11TestClient other;
    other.createWindow({50, 50, 600, 500}, QByteArray(), true);
    m_platform->startPointerEvents();
    QVERIFY(xdo(u"mousemove 100 100"_s));
    m_events.clear();
    // Moving without a button reports nothing (the press below comes first) and polls nothing.
    QVERIFY(xdo(u"mousemove_relative 5 5"_s));
    QVERIFY(!m_platform->isPolling());

    QVERIFY(xdo(u"mousedown 1"_s));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Press, {105, 105}, Qt::LeftButton));
    QVERIFY(m_platform->isPolling());
    QVERIFY(xdo(u"mousemove_relative -- 45 35"_s));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Drag, {150, 140}));
    QVERIFY(xdo(u"keydown shift"_s));
    QTRY_VERIFY(!m_events.isEmpty() &&
                m_events.last().kind == PointerEvent::Kind::ModifiersChanged &&
                m_events.last().modifiers == Qt::ShiftModifier);
    // Absolute motion from XTEST makes no raw motion event: the poll sees it.
    QVERIFY(xdo(u"mousemove 400 300"_s));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Drag, {400, 300}));
    QCOMPARE(m_events.last().modifiers, Qt::ShiftModifier);
    QVERIFY(xdo(u"keyup shift"_s));
    QVERIFY(xdo(u"mouseup 1"_s));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Release, {400, 300}, Qt::LeftButton));
    QVERIFY(!m_platform->isPolling());
    QCOMPARE(m_events.first().kind, PointerEvent::Kind::Press);
    QCOMPARE(m_events.last().kind, PointerEvent::Kind::Release);

    // A right click is reported, drags nothing and polls nothing.
    m_events.clear();
    QVERIFY(xdo(u"mousedown 3"_s));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Press, {400, 300}, Qt::RightButton));
    QVERIFY(!m_platform->isPolling());
    QVERIFY(xdo(u"mousemove_relative 10 10"_s));
    QVERIFY(xdo(u"mouseup 3"_s));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Release, {410, 310}, Qt::RightButton));
    QCOMPARE(m_events.size(), 2);
    // The wheel is no button press: the click after it is the next event.
    QVERIFY(xdo(u"click 4"_s));
    QVERIFY(xdo(u"click 1"_s));
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
    QVERIFY(xdo(u"mousemove 750 640 click 1"_s));
    QTRY_VERIFY(hasEvent(m_events, PointerEvent::Kind::Press, {750, 640}, Qt::LeftButton));
    QVERIFY(m_events.first().ownWindow);
}

void TestX11Platform::theDragSourceOffersTheFilesOfARealDrag()
{
    // The pointer must enter the source's window from outside for Qt to take the press there.
    QVERIFY(xdo(u"mousemove 1270 790"_s));
    QTemporaryDir folder;
    const QStringList files{folder.filePath(u"a b.txt"_s),
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
        QVERIFY(xdotool({u"mousemove"_s, u"--window"_s, window, u"100"_s, u"100"_s}));
        QVERIFY(!waitForLine(source, {"entered"}).isEmpty());
        QVERIFY(xdo(u"mousedown 1"_s));
        QCOMPARE(m_platform->dragChangeCount(), before);
        // Step by step, each step seen, until the drag begins where Qt took the press; else
        // the source is told to begin it.
        QByteArray said;
        for (int step = 0; step < 6 && said != "dragging"; ++step) {
            QVERIFY(xdo(u"mousemove_relative 8 6"_s));
            said = waitForLine(source, {"moved", "dragging"}, 2000);
        }
        if (said != "dragging") {
            source.write("drag\n");
            QVERIFY(!waitForLine(source, {"dragging"}).isEmpty());
        }
        QTRY_VERIFY(m_platform->dragChangeCount() > before);
        QTRY_COMPARE(m_platform->dragFiles(), files);
        QVERIFY(xdo(u"mousemove 900 600"_s));
        QVERIFY(xdo(u"mouseup 1"_s));
        QVERIFY(!waitForLine(source, {"dropped"}).isEmpty());
    }
    source.kill();
    source.waitForFinished();
}

QTEST_MAIN(TestX11Platform)
#include "tst_x11platform.moc"
