#include "FixedScreens.h"
#include "desktop/GestureHintWindow.h"

#include <QApplication>
#include <QTest>

class TestGestureHintWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsThePointerBelowAndRight();
    void staysOutOfTheWay();
};

void TestGestureHintWindow::followsThePointerBelowAndRight()
{
    FixedScreens screens;
    GestureHintWindow hint(screens);
    // The gesture puts the origin at (x + 18, y − 48) of a pointer at global (400, 300), which
    // is screen (400, 500): the panel's top-left corner lands 18 right of and 18 below it.
    hint.showAt(QPointF(418, 452));
    QVERIFY(hint.isVisible());
    QCOMPARE(hint.geometry(), QRect(418, 318, 150, 30));
    hint.moveTo(QPointF(518, 352));
    QCOMPARE(hint.pos(), QPoint(518, 418));
    hint.hide();
    QVERIFY(!hint.isVisible());
}

void TestGestureHintWindow::staysOutOfTheWay()
{
    FixedScreens screens;
    GestureHintWindow hint(screens);
    const Qt::WindowFlags flags = hint.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowTransparentForInput));
    QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    QVERIFY(hint.testAttribute(Qt::WA_ShowWithoutActivating));
}

QTEST_MAIN(TestGestureHintWindow)
#include "tst_gesturehintwindow.moc"
