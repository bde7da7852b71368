#include "app/SessionDisplay.h"

#include <QTest>

class TestSessionDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void waylandSessionsGoThroughXWayland_data();
    void waylandSessionsGoThroughXWayland();
};

void TestSessionDisplay::waylandSessionsGoThroughXWayland_data()
{
    QTest::addColumn<QByteArrayList>("environment");
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<bool>("refused");
    // DISPLAY, WAYLAND_DISPLAY, XDG_SESSION_TYPE, QT_QPA_PLATFORM.
    QTest::newRow("X11") << QByteArrayList{":0", "", "x11", ""} << QByteArray() << false;
    QTest::newRow("Wayland with XWayland")
        << QByteArrayList{":0", "wayland-0", "wayland", ""} << QByteArray("xcb") << false;
    QTest::newRow("Wayland session type only")
        << QByteArrayList{":1", "", "wayland", ""} << QByteArray("xcb") << false;
    QTest::newRow("the user's platform")
        << QByteArrayList{":0", "wayland-0", "wayland", "wayland"} << QByteArray() << false;
    QTest::newRow("Wayland without XWayland")
        << QByteArrayList{"", "wayland-0", "wayland", ""} << QByteArray() << true;
    QTest::newRow("no display") << QByteArrayList{"", "", "tty", ""} << QByteArray() << true;
}

void TestSessionDisplay::waylandSessionsGoThroughXWayland()
{
    QFETCH(QByteArrayList, environment);
    QFETCH(QByteArray, platform);
    QFETCH(bool, refused);
    const SessionDisplay display =
        SessionDisplay::choose({environment[0], environment[1], environment[2], environment[3]});
    QCOMPARE(display.qtPlatform, platform);
    QCOMPARE(!display.refusal.isEmpty(), refused);
}

QTEST_GUILESS_MAIN(TestSessionDisplay)
#include "tst_sessiondisplay.moc"
