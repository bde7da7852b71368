#include "desktop/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

class TestQtScreens : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toolkitScreensBecomeScreens();
    void windowRectanglesConvertBothWays();
    void liveScreensPutThePrimaryFirst();
};

void TestQtScreens::toolkitScreensBecomeScreens()
{
    const QRectF primary(0, 0, 1280, 800);
    const QRectF above(0, -1024, 1280, 1024);
    const QRectF below(0, 800, 1280, 1024);
    const struct
    {
        const char* name;
        QList<ScreenGeometry> toolkit;
        QList<ScreenGeometry> expected;
    } cases[] = {
        {"panel at the top", {{primary, QRectF(0, 24, 1280, 776)}}, {{primary, {0, 0, 1280, 776}}}},
        {"panel at the bottom",
         {{primary, QRectF(0, 0, 1280, 770)}},
         {{primary, {0, 30, 1280, 770}}}},
        // Tops aligned: the taller screen to the right reaches below the primary's bottom, and
        // its panel at the bottom raises its visible frame's lower edge.
        {"screens around the primary",
         {{primary, {0, 24, 1280, 776}},
          {{1280, 0, 1920, 1080}, {1280, 0, 1920, 1040}},
          {above, above},
          {below, below}},
         {{primary, {0, 0, 1280, 776}},
          {{1280, -280, 1920, 1080}, {1280, -240, 1920, 1040}},
          {below, below},
          {above, above}}},
        // X puts the virtual origin at the top left of all screens: here the primary is the
        // right one of two and the lower of them.
        {"primary not at the virtual origin",
         {{{1920, 280, 1280, 800}, {1920, 304, 1280, 776}},
          {{0, 0, 1920, 1080}, {0, 0, 1920, 1080}}},
         {{primary, {0, 0, 1280, 776}}, {{-1920, 0, 1920, 1080}, {-1920, 0, 1920, 1080}}}},
    };
    for (const auto& c : cases) {
        const QList<ScreenGeometry> screens = QtScreens::fromToolkitScreens(c.toolkit);
        QCOMPARE(screens.size(), c.expected.size());
        for (qsizetype i = 0; i < screens.size(); ++i) {
            QVERIFY2(screens[i].frame == c.expected[i].frame, c.name);
            QVERIFY2(screens[i].visibleFrame == c.expected[i].visibleFrame, c.name);
        }
    }
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
