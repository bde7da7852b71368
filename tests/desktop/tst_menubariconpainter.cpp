#include "desktop/MenuBarIconPainter.h"
#include "operations/MenuBarIcon.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

// The opacity where spoke i of the spinner runs (halfway along it), at a device pixel ratio.
int spokeAlpha(const QImage& image, int i, qreal ratio)
{
    const qreal a = i * M_PI / 6;
    const QPointF point(9 + 5.5 * std::sin(a), 18 - (9 + 5.5 * std::cos(a)));
    return qAlpha(image.pixel((point * ratio).toPoint()));
}

} // namespace

class TestMenuBarIconPainter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framesAreEighteenPointsAtTheRatio();
    void theDarkestSpokeStepsRoundClockwise();
    void iconShowsWhatItIsTold();
};

void TestMenuBarIconPainter::framesAreEighteenPointsAtTheRatio()
{
    const QImage frame = MenuBarIconPainter::workingFrame(0, 2, Qt::black);
    QCOMPARE(frame.size(), QSize(36, 36));
    QCOMPARE(frame.devicePixelRatio(), 2.0);
    QCOMPARE(frame.deviceIndependentSize(), QSizeF(18, 18));
    const QImage idle = MenuBarIconPainter::idleImage(1, Qt::black);
    QCOMPARE(idle.size(), QSize(18, 18));
    // Drawn, and transparent at the corners.
    QCOMPARE(qAlpha(idle.pixel(0, 17)), 0);
    QVERIFY(qAlpha(idle.pixel(16, 12)) > 100);
}

void TestMenuBarIconPainter::theDarkestSpokeStepsRoundClockwise()
{
    for (int k = 0; k < MenuBarIcon::frameCount; ++k) {
        const QImage frame = MenuBarIconPainter::workingFrame(k, 4, Qt::black);
        QList<int> alphas;
        for (int i = 0; i < 12; ++i)
            alphas.append(spokeAlpha(frame, i, 4));
        // Spoke k is opaque, the one before it the lightest (1 − 11/15).
        QCOMPARE(std::max_element(alphas.cbegin(), alphas.cend()) - alphas.cbegin(), k);
        QVERIFY(alphas.at(k) > 240);
        QVERIFY(qAbs(alphas.at((k + 11) % 12) - qRound(255 * 4.0 / 15)) < 12);
        // Each spoke after k a step lighter.
        for (int step = 1; step < 12; ++step)
            QVERIFY(alphas.at((k + step) % 12) < alphas.at((k + step - 1) % 12));
    }
    // Spoke 0 stands at the top, spoke 3 at the right.
    const QImage first = MenuBarIconPainter::workingFrame(0, 4, Qt::black);
    QVERIFY(qAlpha(first.pixel(36, 14)) > 240);
    const QImage fourth = MenuBarIconPainter::workingFrame(3, 4, Qt::black);
    QVERIFY(qAlpha(fourth.pixel(58, 36)) > 240);
}

void TestMenuBarIconPainter::iconShowsWhatItIsTold()
{
    MenuBarIconPainter painter(1, Qt::black);
    QCOMPARE(painter.image(), MenuBarIconPainter::idleImage(1, Qt::black));
    QSignalSpy changed(&painter, &MenuBarIconPainter::imageChanged);
    painter.showWorkingFrame(5);
    QCOMPARE(painter.image(), MenuBarIconPainter::workingFrame(5, 1, Qt::black));
    // The same image every time: drawn once.
    const qint64 key = painter.image().cacheKey();
    painter.showWorkingFrame(6);
    painter.showWorkingFrame(5);
    QCOMPARE(painter.image().cacheKey(), key);
    painter.showIdle();
    QCOMPARE(changed.size(), 4);
    QVERIFY(!painter.icon().isNull());
    QCOMPARE(MenuBarIconPainter::accessibleName(), QStringLiteral("Tidora"));
}

QTEST_MAIN(TestMenuBarIconPainter)
#include "tst_menubariconpainter.moc"
