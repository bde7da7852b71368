#include "desktop/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

class TestQtScreens : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void primaryWithTopPanel();
    void screensAroundThePrimary();
    void primaryNotAtTheVirtualOrigin();
    void windowRectanglesConvertBothWays();
    void liveScreensPutThePrimaryFirst();
};

void TestQtScreens::primaryWithTopPanel()
{
    const QList<ScreenGeometry> screens =
        QtScreens::fromToolkitScreens({{QRectF(0, 0, 1280, 800), QRectF(0, 24, 1280, 776)}});
    QCOMPARE(screens.size(), 1);
    QCOMPARE(screens.first().frame, QRectF(0, 0, 1280, 800));
    QCOMPARE(screens.first().visibleFrame, QRectF(0, 0, 1280, 776));
    // A panel at the bottom lifts the visible frame instead.
    const QList<ScreenGeometry> bottom =
        QtScreens::fromToolkitScreens({{QRectF(0, 0, 1280, 800), QRectF(0, 0, 1280, 770)}});
    QCOMPARE(bottom.first().visibleFrame, QRectF(0, 30, 1280, 770));
}

void TestQtScreens::screensAroundThePrimary()
{
    const QRectF primary(0, 0, 1280, 800);
    const QRectF right(1280, 0, 1920, 1080);
    const QRectF above(0, -1024, 1280, 1024);
    const QRectF below(0, 800, 1280, 1024);
    const QList<ScreenGeometry> screens = QtScreens::fromToolkitScreens({
        {primary, QRectF(0, 24, 1280, 776)},
        {right, QRectF(1280, 0, 1920, 1040)},
        {above, above},
        {below, below},
    });
    QCOMPARE(screens.size(), 4);
    // Tops aligned: the taller screen to the right reaches below the primary's bottom.
    QCOMPARE(screens.at(1).frame, QRectF(1280, -280, 1920, 1080));
    QCOMPARE(maxY(screens.at(1).frame), 800.0);
    // Its panel at the bottom raises its visible frame's lower edge.
    QCOMPARE(screens.at(1).visibleFrame, QRectF(1280, -240, 1920, 1040));
    QCOMPARE(screens.at(2).frame, QRectF(0, 800, 1280, 1024));
    QCOMPARE(screens.at(3).frame, QRectF(0, -1024, 1280, 1024));
    QCOMPARE(maxY(screens.at(3).frame), minY(screens.at(0).frame));
}

void TestQtScreens::primaryNotAtTheVirtualOrigin()
{
    // X puts the virtual origin at the top left of all screens; here the primary is the right
    // one of two and the lower of them.
    const QList<ScreenGeometry> screens = QtScreens::fromToolkitScreens({
        {QRectF(1920, 280, 1280, 800), QRectF(1920, 304, 1280, 776)},
        {QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080)},
    });
    QCOMPARE(screens.at(0).frame, QRectF(0, 0, 1280, 800));
    QCOMPARE(screens.at(0).visibleFrame, QRectF(0, 0, 1280, 776));
    QCOMPARE(screens.at(1).frame, QRectF(-1920, 0, 1920, 1080));
}

void TestQtScreens::windowRectanglesConvertBothWays()
{
    const QRectF primary(1920, 280, 1280, 800);
    // A stack window whose origin (its lower left) is at (100, 100).
    const QRectF window(100, 100, 140, 150);
    const QRectF toolkit = QtScreens::toToolkit(window, primary);
    QCOMPARE(toolkit, QRectF(2020, 280 + 800 - 250, 140, 150));
    QCOMPARE(QtScreens::fromToolkit(toolkit, primary), window);
    const QRectF elsewhere(-500.5, 1200.25, 140, 150);
    QCOMPARE(QtScreens::fromToolkit(QtScreens::toToolkit(elsewhere, primary), primary), elsewhere);
}

void TestQtScreens::liveScreensPutThePrimaryFirst()
{
    const QList<ScreenGeometry> screens = QtScreens().screens();
    QCOMPARE(screens.size(), QGuiApplication::screens().size());
    QVERIFY(!screens.isEmpty());
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(screens.first().frame, QRectF(0, 0, primary.width(), primary.height()));
    QCOMPARE(QtScreens::toToolkit(QRectF(0, 0, 10, 10)),
             QRectF(primary.x(), primary.y() + primary.height() - 10, 10, 10));
}

QTEST_MAIN(TestQtScreens)
#include "tst_qtscreens.moc"
