#include "WindowRig.h"
#include "desktop/StackCard.h"
#include "desktop/StackView.h"
#include "desktop/StackViewModel.h"
#include "desktop/TextWrapping.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

QImage square(const QColor& colour)
{
    QImage image(160, 160, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

QImage paintCard(const StackViewModel& model, const QList<QImage>& images)
{
    QList<StackCard::Thumbnail> thumbnails;
    for (const QImage& image : images)
        thumbnails.append(StackCard::prepareThumbnail(image, 1));
    QImage card(StackCard::viewSize.toSize(), QImage::Format_ARGB32_Premultiplied);
    card.fill(Qt::transparent);
    QPainter painter(&card);
    StackCard::paint(painter, model, thumbnails, QColor(0, 122, 255), QApplication::font());
    painter.end();
    return card;
}

bool dominated(const QColor& colour, char channel)
{
    const int r = colour.red();
    const int g = colour.green();
    const int b = colour.blue();
    switch (channel) {
    case 'r':
        return r > 2 * g && r > 2 * b;
    case 'g':
        return g > 2 * r && g > 2 * b;
    default:
        return b > 2 * r && b > 2 * g;
    }
}

} // namespace

class TestStackView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { quietOffscreenPlatform(); }
    void captionFollowsTheState();
    void fanLiesUpAndToTheRight();
    void effectsFollowTheModel();
    void withoutACompositorTheWindowIsCutToTheCard();
    void namesKeepTheirEnd();
    void modelClampsAndChecksIndexes();
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

void TestStackView::fanLiesUpAndToTheRight()
{
    StackViewModel model;
    model.setName(QStringLiteral("Three"));
    model.setCount(3);
    const QImage card = paintCard(model, {square(Qt::red), square(Qt::green), square(Qt::blue)});
    const QRectF area = StackCard::cardRect(QApplication::font());
    const QPointF centre(area.right() - 50, area.top() + 50);
    auto at = [&](qreal dx, qreal dy) {
        return card.pixelColor((centre + QPointF(dx, dy)).toPoint());
    };
    // The first file lies on top, the third peeks out above and to the right of the second.
    QVERIFY(dominated(at(0, 10), 'r'));
    QVERIFY2(dominated(at(48, -20), 'b'), qPrintable(at(48, -20).name()));
    QVERIFY2(dominated(at(0, -41), 'g'), qPrintable(at(0, -41).name()));
    // Nothing of the fan below and to the left of the first image.
    QVERIFY(!dominated(at(-46, 30), 'b') && !dominated(at(-46, 30), 'g'));
    // The badge sits at the card's top right corner, red with the count.
    const QRectF badge = StackCard::badgeRect(3, QApplication::font());
    QCOMPARE(badge.right(), area.right());
    QCOMPARE(badge.top(), area.top());
    QVERIFY(dominated(
        card.pixelColor(badge.topLeft().toPoint() + QPoint(2, int(badge.height() / 2))), 'r'));

    // A spread stack shows the symbol plate and no badge.
    model.setExpanded(true);
    const QImage spread = paintCard(model, {square(Qt::red)});
    QVERIFY(!dominated(spread.pixelColor((centre + QPointF(0, 10)).toPoint()), 'r'));
    QCOMPARE(spread.pixelColor(badge.center().toPoint()).alpha(), 0);
}

void TestStackView::effectsFollowTheModel()
{
    using Effects = StackView::Effects;
    auto same = [](Effects a, Effects b) {
        return qAbs(a.scale - b.scale) < 1e-9 && qAbs(a.blur - b.blur) < 1e-9 &&
               qAbs(a.opacity - b.opacity) < 1e-9;
    };
    StackViewModel model;
    StackView view(model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // It springs in, animated, not at once.
    QVERIFY(view.effects().opacity < 1);
    view.finishAnimations();
    QVERIFY(same(view.effects(), {1, 0, 1}));
    // Changes of the model reach the view.
    model.setDissolveProgress(0.5);
    QTRY_VERIFY(same(view.effects(), StackView::restingEffects(true, false, 0.5, false)));
    model.setDissolving(true);
    view.finishAnimations();
    QVERIFY(same(view.effects(), {1.15, 16, 0}));
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

void TestStackView::modelClampsAndChecksIndexes()
{
    StackViewModel model;
    QSignalSpy progress(&model, &StackViewModel::dissolveProgressChanged);
    model.setDissolveProgress(2);
    QCOMPARE(model.dissolveProgress(), 1.0);
    model.setDissolveProgress(1);
    QCOMPARE(progress.size(), 1);
    model.setThumbnails({square(Qt::red)});
    QVERIFY(!model.setThumbnail(1, square(Qt::green)));
    QVERIFY(model.setThumbnail(0, square(Qt::green)));
}

QTEST_MAIN(TestStackView)
#include "tst_stackview.moc"
