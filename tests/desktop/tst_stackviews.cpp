#include "FakeDesktopPlatform.h"
#include "WindowRig.h"
#include "desktop/PreviewCell.h"
#include "desktop/StackCard.h"
#include "desktop/StackPreview.h"
#include "desktop/StackPreviewModel.h"
#include "desktop/StackPreviewView.h"
#include "desktop/StackView.h"
#include "desktop/StackViewModel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

using std::chrono::milliseconds;

// Receives the URLs the preview opens instead of the desktop's programs.
class OpenedUrls : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

namespace {

const QList<ScreenGeometry> screen{{QRectF(0, 0, 1280, 800), QRectF(0, 0, 1280, 776)}};

QStringList files(WindowRig& rig, int count, const QString& folder = QStringLiteral("stack"))
{
    QDir(rig.folder.path()).mkpath(folder);
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths.append(rig.file(folder + QStringLiteral("/file %1.txt").arg(i)));
    return paths;
}

StackWindow& stackOf(WindowRig& rig, const QString& letter, const QStringList& paths,
                     QPointF origin = QPointF(300, 300), DesktopPlatform* platform = nullptr)
{
    return rig.make(letter, WindowRig::record(letter, int(paths.size())), paths, origin, platform);
}

QImage square(const QColor& colour)
{
    QImage image(160, 160, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

void press(QWidget* widget, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)),
                      button, button, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestStackViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { quietOffscreenPlatform(); }
    void cleanup();
    void sizesFollowTheFileCount();
    void placedAboveOrBelowAndKeptOnScreen();
    void refreshKeepsTheEdgeNearTheStack();
    void clicksElsewhereAndEscapeClose();
    void aBurstOfFolderChangesRefreshesOnce();
    void cellsShowAndOpenTheFiles();
    void withoutACompositorTheWindowIsCutToTheCard();
};

void TestStackViews::cleanup()
{
    if (StackPreview* open = StackPreview::current())
        open->closePreview();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestStackViews::sizesFollowTheFileCount()
{
    // Four to a row, at most three rows and a half: thirteen files scroll.
    QCOMPARE(StackPreviewModel::sizeFor(400), QSizeF(534, 591.5));
    WindowRig rig;
    StackWindow& a = stackOf(rig, QStringLiteral("A"), files(rig, 13), {300, 100});
    StackPreview::toggle(a);
    StackPreview* preview = StackPreview::current();
    QVERIFY(preview);
    QCOMPARE(preview->size(), QSize(534, 592));
    QCOMPARE(preview->view().cells().size(), 13);
    QVERIFY(QTest::qWaitForWindowExposed(preview));
    QTRY_VERIFY(preview->view().scrollArea()->verticalScrollBar()->maximum() > 0);
}

void TestStackViews::placedAboveOrBelowAndKeptOnScreen()
{
    // The usable area is the visible frame less 2 %: x 25.6 … 1254.4, y 15.52 … 760.48.
    const QSizeF one(159, 219);
    // Above the stack, overlapping it by 10, centred on it.
    QCOMPARE(StackPreview::placement(one, {300, 300, 140, 150}, screen),
             QRectF(290.5, 440, 159, 219));
    // No room above: below, overlapping by 10.
    QCOMPARE(StackPreview::placement(one, {300, 600, 140, 150}, screen),
             QRectF(290.5, 391, 159, 219));
    // Kept inside on the left and the right.
    QCOMPARE(StackPreview::placement(one, {0, 300, 140, 150}, screen).x(), 25.6);
    QCOMPARE(StackPreview::placement(QSizeF(534, 219), {1200, 300, 140, 150}, screen).right(),
             1254.4);
    // Too tall for either side: kept inside at the bottom.
    QCOMPARE(StackPreview::placement(QSizeF(534, 591.5), {300, 400, 140, 150}, screen).y(), 15.52);
    // A stack off every screen: placed next to it as if a large screen surrounded it.
    QCOMPARE(StackPreview::placement(one, {5000, 5000, 140, 150}, screen),
             QRectF(5000 + 70 - 79.5, 5150 - 10, 159, 219));
    QCOMPARE(StackPreview::placement(one, {300, 300, 140, 150}, {}), QRectF(290.5, 440, 159, 219));
}

void TestStackViews::refreshKeepsTheEdgeNearTheStack()
{
    // Above the stack the bottom edge stays where it overlaps the window (below, the top edge).
    QCOMPARE(StackPreview::refreshedFrame({290, 440, 534, 368}, {409, 219}, {300, 300, 140, 150}),
             QRectF(290, 440, 409, 219));
    WindowRig rig;
    const QStringList paths = files(rig, 5);
    StackWindow& a = stackOf(rig, QStringLiteral("A"), paths, {300, 600});
    StackPreview::toggle(a);
    StackPreview* preview = StackPreview::current();
    const QRectF first = preview->screenFrame();
    QCOMPARE(first, QRectF(300 + 70 - 267, 600 - 368 + 10, 534, 368));
    // Qt's top edge: 800 − (242 + 368).
    QCOMPARE(preview->geometry(), QRect(103, 190, 534, 368));
    preview->refresh(paths.mid(0, 2));
    QCOMPARE(preview->screenFrame(), QRectF(first.x(), first.y() + 368 - 219, 284, 219));
    QCOMPARE(preview->geometry().top(), 190);
    QCOMPARE(preview->model().files(), paths.mid(0, 2));
    preview->refresh({});
    QVERIFY(!StackPreview::current());
}

void TestStackViews::clicksElsewhereAndEscapeClose()
{
    WindowRig rig;
    FakeDesktopPlatform platform;
    StackWindow& a = stackOf(rig, QStringLiteral("A"), files(rig, 2, QStringLiteral("a")),
                             {300, 300}, &platform);
    StackWindow& b = stackOf(rig, QStringLiteral("B"), files(rig, 2, QStringLiteral("b")),
                             {700, 300}, &platform);

    StackPreview::toggle(a);
    StackPreview* preview = StackPreview::current();
    QVERIFY(platform.started);
    // Clicks on the preview and on its own stack window leave it open.
    press(&preview->view());
    press(&a, Qt::RightButton);
    platform.press(a.geometry().center());
    platform.press(preview->geometry().center(), {}, Qt::RightButton);
    QCOMPARE(StackPreview::current(), preview);
    // Another stack's preview takes its place; a click in another of our windows closes it.
    StackPreview::toggle(b);
    QCOMPARE(StackPreview::current()->source(), &b);
    StackPreview::toggle(a);
    press(&b);
    QVERIFY(!StackPreview::current());

    // So does a click anywhere else on the screen, in any program.
    StackPreview::toggle(a);
    preview = StackPreview::current();
    platform.drag(QPoint(1000, 700));
    QCOMPARE(StackPreview::current(), preview);
    platform.press(QPoint(1000, 700));
    QVERIFY(!StackPreview::current());

    StackPreview::toggle(a);
    preview = StackPreview::current();
    QTest::keyClick(preview, Qt::Key_A);
    QCOMPARE(StackPreview::current(), preview);
    QTest::keyClick(preview, Qt::Key_Escape);
    QVERIFY(!StackPreview::current());
}

void TestStackViews::aBurstOfFolderChangesRefreshesOnce()
{
    WindowRig rig;
    const QStringList paths = files(rig, 3);
    StackWindow& a = stackOf(rig, QStringLiteral("A"), paths, {300, 200});
    StackPreview::toggle(a);
    StackPreview* preview = StackPreview::current();
    rig.scheduler.runUntilIdle();
    rig.host.calls.clear();

    // Two files leave the folder one after the other (dragged out of the panel, say); each
    // change the watcher reports asks for a look at the folder.
    const QString outside = rig.folder.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(outside);
    const auto looks = [&rig] { return rig.scheduler.requestedDelays().size(); };
    std::size_t asked = looks();
    QVERIFY(QFile::rename(paths.at(1), outside + QStringLiteral("/1.txt")));
    QTRY_VERIFY(looks() > asked);
    rig.scheduler.advance(milliseconds(300));
    asked = looks();
    QVERIFY(QFile::rename(paths.at(2), outside + QStringLiteral("/2.txt")));
    QTRY_VERIFY(looks() > asked);
    // The manager brings the record and the window in line when asked; here the test does.
    a.update(WindowRig::record(QStringLiteral("A"), 1), paths.mid(0, 1));
    rig.scheduler.advance(milliseconds(399));
    QVERIFY(rig.host.actions().isEmpty());
    QCOMPARE(preview->model().files().size(), 3);
    rig.scheduler.advance(milliseconds(1));
    QCOMPARE(rig.host.actions(), QStringList{QStringLiteral("sync A")});
    QCOMPARE(preview->model().files(), paths.mid(0, 1));
    QCOMPARE(preview->size(), QSize(159, 219));
    rig.scheduler.runUntilIdle();
    QCOMPARE(rig.host.actions().size(), 1);

    // The last file goes: the panel closes at the next look.
    asked = looks();
    QVERIFY(QFile::rename(paths.at(0), outside + QStringLiteral("/0.txt")));
    QTRY_VERIFY(looks() > asked);
    a.update(WindowRig::record(QStringLiteral("A"), 0), {});
    rig.scheduler.runUntilIdle();
    QVERIFY(!StackPreview::current());
}

void TestStackViews::cellsShowAndOpenTheFiles()
{
    WindowRig rig;
    QDir(rig.folder.path()).mkpath(QStringLiteral("stack"));
    const QStringList paths{rig.image(QStringLiteral("stack/photo.png"), Qt::red),
                            rig.file(QStringLiteral("stack/A report with a name far too long "
                                                    "for two lines of a cell in the panel.txt"))};
    StackWindow& a = stackOf(rig, QStringLiteral("A"), paths);
    StackPreview::toggle(a);
    StackPreviewView& view = StackPreview::current()->view();
    PreviewCell* photo = view.cells().first();
    // A name too long for the cell keeps its end, on two lines.
    QCOMPARE(view.cells().last()->nameLines().size(), 2);
    QVERIFY(view.cells().last()->nameLines().last().endsWith(QLatin1String(".txt")));
    rig.scheduler.runUntilIdle();
    QCOMPARE(photo->image().pixelColor(photo->image().width() / 2, photo->image().height() / 2),
             QColor(Qt::red));

    // A press that wobbles less than the drag distance is still a click: the file opens and
    // the panel closes.
    OpenedUrls opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    QTest::mousePress(photo, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QTest::mouseMove(photo, QPoint(53, 51));
    QTest::mouseRelease(photo, Qt::LeftButton, Qt::NoModifier, QPoint(53, 51));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(paths.first())});
    QVERIFY(!StackPreview::current());
}

void TestStackViews::withoutACompositorTheWindowIsCutToTheCard()
{
    StackViewModel model;
    model.setName(QStringLiteral("Notes"));
    model.setCount(2);
    model.setThumbnails({square(Qt::red)});
    StackView view(model);
    QSignalSpy masks(&view, &StackView::maskChanged);
    view.setCompositing(false);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.finishAnimations();
    QVERIFY(!masks.isEmpty());
    const QRegion mask = masks.last().first().value<QRegion>();
    const QRectF card = StackCard::cardRect(QApplication::font());
    const QPointF fanCentre(card.right() - 50, card.top() + 50);
    QVERIFY(mask.contains(fanCentre.toPoint()));
    QVERIFY(!mask.contains(QPoint(1, 1)));

    // Faded out completely, one pixel is all that is left of the window.
    model.setDissolving(true);
    view.finishAnimations();
    QCOMPARE(masks.last().first().value<QRegion>(), QRegion(0, 0, 1, 1));

    // A compositor appears: the whole window, translucent again.
    view.setCompositing(true);
    QCOMPARE(masks.last().first().value<QRegion>(), QRegion(view.rect()));
}

QTEST_MAIN(TestStackViews)
#include "tst_stackviews.moc"
