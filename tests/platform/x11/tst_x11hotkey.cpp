#include "LogCapture.h"
#include "X11TestClient.h"
#include "X11TestTools.h"

#include "platform/x11/X11DesktopPlatform.h"
#include <QSignalSpy>

#include <QApplication>

#include <memory>

using namespace X11TestTools;

class TestX11HotKey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void theHotKeyFiresWhereverTheFocusIs();
    void aTakenHotKeyIsLoggedOnce();

private:
    std::unique_ptr<X11DesktopPlatform> m_platform;
};

void TestX11HotKey::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_platform = X11DesktopPlatform::create();
    QVERIFY(m_platform);
    QCOMPARE(m_platform->features(), DesktopPlatform::allFeatures());
}

void TestX11HotKey::theHotKeyFiresWhereverTheFocusIs()
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

void TestX11HotKey::aTakenHotKeyIsLoggedOnce()
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

QTEST_MAIN(TestX11HotKey)
#include "tst_x11hotkey.moc"
