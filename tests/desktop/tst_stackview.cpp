#include "WindowRig.h"
#include "desktop/StackCard.h"
#include "desktop/StackView.h"
#include "desktop/StackViewModel.h"
#include "desktop/TextWrapping.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

QImage square(const QColor& colour)
{
    QImage image(160, 160, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

} // namespace

class TestStackView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { quietOffscreenPlatform(); }
    void captionFollowsTheState();
    void withoutACompositorTheWindowIsCutToTheCard();
    void namesKeepTheirEnd();
};

void TestStackView::captionFollowsTheState()
{
    StackViewModel model;
    model.setName(QStringLiteral("3 Screenshots"));
    QCOMPARE(model.caption(), QStringLiteral("3 Screenshots"));
    model.setDropTarget(true);
    QCOMPARE(model.caption(), QStringLiteral("Add to stack"));
    model.setExpanded(true);
    QCOMPARE(model.caption(), QStringLiteral("Stack these"));
    model.setDissolveProgress(1.0);
    QCOMPARE(model.caption(), QStringLiteral("Release to dissolve"));
    // Already on its way out: the drop hint (or the name) again.
    model.setDissolving(true);
    QCOMPARE(model.caption(), QStringLiteral("Stack these"));
    model.setDropTarget(false);
    model.setDissolving(false);
    model.setDissolveProgress(0.999);
    QCOMPARE(model.caption(), QStringLiteral("3 Screenshots"));
}

void TestStackView::withoutACompositorTheWindowIsCutToTheCard()
{
    StackViewModel model;
    model.setName(QStringLiteral("Notes"));
    model.setCount(2);
    model.setThumbnails({square(Qt::red)});
    StackView view(model);
    QSignalSpy masks(&view, &StackView::maskChanged);
    view.setCompositing(false);
    const QColor desktop(0x2e, 0x6b, 0x4f);
    view.setBackdrop(desktop);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.finishAnimations();
    QVERIFY(!masks.isEmpty());
    const QRegion mask = masks.last().first().value<QRegion>();
    const QRectF card = StackCard::cardRect(QApplication::font());
    const QPointF fanCentre(card.right() - 50, card.top() + 50);
    QVERIFY(mask.contains(fanCentre.toPoint()));
    QVERIFY(!mask.contains(QPoint(1, 1)));

    // Whatever shows is the card over the desktop's colour, never black.
    const QImage shown = view.grab().toImage();
    QCOMPARE(shown.pixelColor(1, 1), desktop);
    const QColor caption = shown.pixelColor(
        StackCard::captionRect(QStringLiteral("Notes"), QApplication::font()).topLeft().toPoint() +
        QPoint(3, 3));
    QVERIFY2(caption.red() > 5 && caption.green() > 30, qPrintable(caption.name()));

    // Faded out completely, one pixel is all that is left of the window.
    model.setDissolving(true);
    view.finishAnimations();
    QCOMPARE(masks.last().first().value<QRegion>(), QRegion(0, 0, 1, 1));

    // A compositor appears: the whole window, translucent again.
    view.setCompositing(true);
    QCOMPARE(masks.last().first().value<QRegion>(), QRegion(view.rect()));
}

void TestStackView::namesKeepTheirEnd()
{
    QFont font = QApplication::font();
    font.setPixelSize(12);
    const QString longName =
        QStringLiteral("A very long report about the quarterly figures of the whole year.pdf");
    const QStringList lines = elideMiddleLines(longName, font, 117, 2);
    QCOMPARE(lines.size(), 2);
    QVERIFY(longName.startsWith(lines.first()));
    QVERIFY(lines.last().endsWith(QLatin1String(".pdf")));
    for (const QString& line : lines)
        QVERIFY(QFontMetrics(font).horizontalAdvance(line) <= 117);
    const QStringList broken = elideMiddleLines(QStringLiteral("two\nlines"), font, 117, 2);
    QCOMPARE(broken, QStringList{QStringLiteral("two lines")});
}

QTEST_MAIN(TestStackView)
#include "tst_stackview.moc"
