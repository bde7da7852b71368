#include "X11TestClient.h"
#include "X11TestTools.h"

#include "platform/x11/X11DesktopPlatform.h"
#include <QWidget>
#include <QWindow>

#include <QApplication>

#include <memory>

using namespace X11TestTools;

class TestX11Windows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void theDesktopIsTheRootOrADesktopWindow();
    void stackWindowsGetTheirHints();

private:
    std::unique_ptr<X11DesktopPlatform> m_platform;
};

void TestX11Windows::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_platform = X11DesktopPlatform::create();
    QVERIFY(m_platform);
    QCOMPARE(m_platform->features(), DesktopPlatform::allFeatures());
}

void TestX11Windows::theDesktopIsTheRootOrADesktopWindow()
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

void TestX11Windows::stackWindowsGetTheirHints()
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

QTEST_MAIN(TestX11Windows)
#include "tst_x11windows.moc"
