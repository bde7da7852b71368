#include "FakeDesktopPlatform.h"
#include "FixedScreens.h"
#include "desktop/DesktopMarquee.h"
#include "desktop/ScreenCoordinates.h"

#include <QTest>

namespace {
struct MouseDown
{
    bool onDesktop;
    bool additive;
    friend bool operator==(const MouseDown&, const MouseDown&) = default;
};

// A marquee over a fake platform whose Desktop is everything left of x = 1000 (a window stands
// to the right).
struct Rig
{
    Rig()
        : marquee(platform, screens)
    {
        platform.desktopTest = [this](QPoint point) {
            askedAt.append(point);
            return point.x() < 1000;
        };
        marquee.setOnMouseDown([this](bool onDesktop, bool additive) {
            downs.append({onDesktop, additive});
        });
        marquee.setOnChange([this](const QRectF& rectangle) { rectangles.append(rectangle); });
        marquee.start();
    }

    FixedScreens screens;
    FakeDesktopPlatform platform;
    DesktopMarquee marquee;
    QList<QPoint> askedAt;
    QList<MouseDown> downs;
    QList<QRectF> rectangles;
};
} // namespace

class TestDesktopMarquee : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyPressIsReported();
    void aLeftPressOnTheDesktopStartsAMarqueeAndEndsOne();
    void theRectangleSpansPressAndPointer();
    void draggingIconsEndsTheMarquee();
};

void TestDesktopMarquee::everyPressIsReported()
{
    Rig rig;
    QVERIFY(rig.platform.started);
    rig.platform.press({100, 100});
    rig.platform.press({1100, 100}, Qt::ShiftModifier);
    rig.platform.press({100, 100}, Qt::ControlModifier, Qt::RightButton);
    rig.platform.press({100, 100}, Qt::AltModifier);
    // The middle button is nobody's business here.
    rig.platform.press({100, 100}, {}, Qt::MiddleButton);
    const QList<MouseDown> expected{{true, false}, {false, true}, {true, true}, {true, false}};
    QCOMPARE(rig.downs, expected);
    // The Desktop test is asked in Qt's global coordinates, where the press happened.
    QCOMPARE(rig.askedAt.at(1), QPoint(1100, 100));
}

void TestDesktopMarquee::aLeftPressOnTheDesktopStartsAMarqueeAndEndsOne()
{
    Rig rig;
    rig.platform.press({100, 100}, {}, Qt::RightButton);
    rig.platform.drag({150, 150});
    rig.platform.press({1100, 100});
    rig.platform.drag({1150, 150});
    QVERIFY(rig.rectangles.isEmpty());
    // A press elsewhere ends a marquee begun before.
    rig.platform.press({100, 100});
    QVERIFY(rig.marquee.anchor());
    rig.platform.press({1100, 100});
    QVERIFY(!rig.marquee.anchor());
    // So does a left release, not a right one.
    rig.platform.press({500, 400});
    rig.platform.release({500, 400}, {}, Qt::RightButton);
    QVERIFY(rig.marquee.anchor());
    rig.platform.release({500, 400});
    rig.platform.drag({520, 420});
    QVERIFY(rig.rectangles.isEmpty());
}

void TestDesktopMarquee::theRectangleSpansPressAndPointer()
{
    Rig rig;
    rig.platform.press({500, 400});
    // Screen coordinates: the anchor is at (500, 400) with the 800-point screen.
    QCOMPARE(*rig.marquee.anchor(), QPointF(500, 400));
    rig.platform.drag({500, 400});
    rig.platform.drag({600, 450});
    // Up and to the left on the screen.
    rig.platform.drag({450, 300});
    const QList<QRectF> expected{QRectF(500, 400, 0, 0), QRectF(500, 350, 100, 50),
                                 QRectF(450, 400, 50, 100)};
    QCOMPARE(rig.rectangles, expected);
    // Its top-left corner on the screen is the pointer.
    const QRectF last = rig.rectangles.last();
    QCOMPARE(ScreenCoordinates::toGlobal(QPointF(last.x(), last.y() + last.height()), rig.screens),
             QPointF(450, 300));
}

void TestDesktopMarquee::draggingIconsEndsTheMarquee()
{
    Rig rig;
    // A drag source that offers no files (text, say) leaves the marquee alone.
    rig.platform.press({500, 400});
    rig.platform.beginDrag({});
    rig.platform.drag({520, 420});
    QCOMPARE(rig.rectangles.size(), 1);

    rig.platform.press({500, 400});
    rig.platform.drag({510, 410});
    rig.platform.beginDrag({QStringLiteral("/home/u/Desktop/a.txt")});
    rig.platform.drag({520, 420});
    rig.platform.drag({530, 430});
    QCOMPARE(rig.rectangles.size(), 2);
    QVERIFY(!rig.marquee.anchor());

    // Files left behind by an earlier drag do not stop the next marquee.
    rig.platform.press({500, 400});
    rig.platform.drag({520, 420});
    QCOMPARE(rig.rectangles.size(), 3);
}

QTEST_GUILESS_MAIN(TestDesktopMarquee)
#include "tst_desktopmarquee.moc"
