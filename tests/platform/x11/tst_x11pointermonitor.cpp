#include "X11TestClient.h"
#include "X11TestTools.h"
#include "platform/x11/X11DesktopPlatform.h"

#include <QApplication>

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

class TestX11PointerMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void pointerEventsFollowTheButtons();

private:
    std::unique_ptr<X11DesktopPlatform> m_platform;
    QList<PointerEvent> m_events;
};

void TestX11PointerMonitor::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_platform = X11DesktopPlatform::create();
    QVERIFY(m_platform);
    QCOMPARE(m_platform->features(), DesktopPlatform::allFeatures());
    connect(m_platform.get(), &DesktopPlatform::pointerEvent, this,
            [this](const PointerEvent& event) { m_events.append(event); });
}

void TestX11PointerMonitor::pointerEventsFollowTheButtons()
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
}

QTEST_MAIN(TestX11PointerMonitor)
#include "tst_x11pointermonitor.moc"
