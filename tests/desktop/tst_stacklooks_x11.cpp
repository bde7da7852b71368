#include "WindowRig.h"
#include "X11TestClient.h"
#include "X11TestTools.h"
#include "desktop/PreviewCell.h"
#include "desktop/StackCard.h"
#include "desktop/StackPreview.h"
#include "desktop/StackView.h"
#include "desktop/StackViewModel.h"
#include "platform/x11/X11DesktopPlatform.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QVariantAnimation>

#include <xcb/xcb.h>

using namespace X11TestTools;

namespace {

const QColor desktop(0x2f, 0x5d, 0x73);

// The whole screen once it has stopped changing: two shots in a row alike. Kept as `name` in
// the working folder.
QImage settledScreenshot(const QString& name)
{
    const QString path = QDir::current().filePath(name);
    QImage previous;
    QImage shot;
    const bool settled = QTest::qWaitFor(
        [&] {
            previous = shot;
            QFile::remove(path);
            shot = run(QStringLiteral("import"),
                       {QStringLiteral("-window"), QStringLiteral("root"), path})
                       ? QImage(path)
                       : QImage();
            return !shot.isNull() && shot == previous;
        },
        15000);
    return settled ? shot : QImage();
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

int countPixels(const QImage& shot, const QRect& area, const std::function<bool(QColor)>& test)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(shot.pixelColor(x, y)) ? 1 : 0;
    return count;
}

// Each look is checked with a compositor and without one.
void withAndWithoutCompositor()
{
    QTest::addColumn<bool>("compositor");
    QTest::newRow("opaque") << false;
    QTest::newRow("composited") << true;
}

} // namespace

class TestStackLooksX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void releaseToDissolveStaysReadable_data() { withAndWithoutCompositor(); }
    void releaseToDissolveStaysReadable();
    void theSpringIn_data() { withAndWithoutCompositor(); }
    void theSpringIn();
    void aFileDraggedOutOfThePreview_data() { withAndWithoutCompositor(); }
    void aFileDraggedOutOfThePreview();
    void thePreviewIsSolidAndScrollsWithoutArrows_data() { withAndWithoutCompositor(); }
    void thePreviewIsSolidAndScrollsWithoutArrows();

private:
    // The preview of a stack of fourteen files (it scrolls), open and painted.
    StackPreview* openPreview(WindowRig& rig);
    // Starts a compositor for `on`, and waits until the windows know.
    bool composite(bool on);

    std::unique_ptr<X11DesktopPlatform> m_platform;
    std::unique_ptr<X11TestClient> m_wallpaper;
    QProcess m_compositor;
};

void TestStackLooksX11::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QTRY_VERIFY_WITH_TIMEOUT(
        xprop({QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
            .contains(QLatin1String("window id")),
        10000);
    m_platform = X11DesktopPlatform::create();
    QVERIFY(m_platform);
    m_wallpaper = std::make_unique<X11TestClient>();
    m_wallpaper->setWallpaper(desktop);
}

void TestStackLooksX11::cleanup()
{
    if (StackPreview* open = StackPreview::current())
        open->closePreview();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    composite(false);
}

StackPreview* TestStackLooksX11::openPreview(WindowRig& rig)
{
    QStringList files;
    for (int i = 0; i < 14; ++i)
        files.append(rig.file(QStringLiteral("notes %1.txt").arg(i)));
    StackWindow& window =
        rig.make(QStringLiteral("A"), WindowRig::record(QStringLiteral("Notes"), int(files.size())),
                 files, {500, 60}, m_platform.get());
    if (!QTest::qWaitForWindowExposed(&window))
        return nullptr;
    window.view().finishAnimations();
    StackPreview::toggle(window);
    StackPreview* preview = StackPreview::current();
    if (!preview || !QTest::qWaitForWindowExposed(preview))
        return nullptr;
    rig.scheduler.runUntilIdle();
    return preview;
}

bool TestStackLooksX11::composite(bool on)
{
    if (on && m_compositor.state() == QProcess::NotRunning) {
        m_compositor.start(QStringLiteral("xcompmgr"), QStringList());
        if (!m_compositor.waitForStarted())
            return false;
    } else if (!on && m_compositor.state() != QProcess::NotRunning) {
        m_compositor.kill();
        m_compositor.waitForFinished();
    }
    return QTest::qWaitFor([this, on] { return m_platform->hasCompositor() == on; });
}

void TestStackLooksX11::releaseToDissolveStaysReadable()
{
    QFETCH(bool, compositor);
    QVERIFY(composite(compositor));
    WindowRig rig;
    StackWindow& window =
        rig.make(QStringLiteral("A"), WindowRig::record(QStringLiteral("Spread"), 3, true), {},
                 {400, 300}, m_platform.get());
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.view().isCompositing(), compositor);
    window.model().setDissolveProgress(1.0);
    window.view().finishAnimations();
    const QImage shot = settledScreenshot(
        QStringLiteral("looks-dissolve-%1.png")
            .arg(compositor ? QLatin1String("composited") : QLatin1String("opaque")));
    QVERIFY(!shot.isNull());
    // The caption's letters show white at full strength, not a blur faded into the desktop.
    const QRectF caption =
        StackCard::captionRect(StackCard::captionLine(QStringLiteral("Release to dissolve"),
                                                      StackCard::captionFont(window.view().font())),
                               window.view().font());
    const QRect onScreen = caption.translated(window.geometry().topLeft()).toAlignedRect();
    const int letters =
        countPixels(shot, onScreen, [](QColor c) { return near(c, Qt::white, 40); });
    QVERIFY2(letters > 40, qPrintable(QString::number(letters)));
}

void TestStackLooksX11::theSpringIn()
{
    QFETCH(bool, compositor);
    QVERIFY(composite(compositor));
    WindowRig rig;
    const QStringList pictures{
        rig.image(QStringLiteral("beach.png"), QColor(0xe8, 0x5d, 0x3a)),
        rig.image(QStringLiteral("forest.png"), QColor(0x3a, 0xa8, 0x5d), QSize(90, 120)),
        rig.file(QStringLiteral("notes.txt"))};
    StackWindow& window =
        rig.make(QStringLiteral("A"), WindowRig::record(QStringLiteral("Photos"), 3), pictures,
                 {400, 300}, m_platform.get());
    rig.scheduler.runUntilIdle();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The entrance, frame by frame: each step changes the window's shape at once; what the
    // server shows right after it must already be the card over the desktop, without black
    // specks along the edges the new shape takes in.
    QList<QVariantAnimation*> running;
    for (QVariantAnimation* animation : window.view().findChildren<QVariantAnimation*>()) {
        if (animation->state() == QAbstractAnimation::Running) {
            animation->pause();
            running.append(animation);
        }
    }
    QVERIFY(!running.isEmpty());
    xcb_connection_t* connection =
        qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const QString name =
        QStringLiteral("looks-springin-%1.png")
            .arg(compositor ? QLatin1String("composited") : QLatin1String("opaque"));
    for (int time = 20; time <= 320; time += 30) {
        for (QVariantAnimation* animation : running)
            animation->setCurrentTime(time);
        // A round trip: the server has done everything asked so far.
        free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        const QString path = QDir::current().filePath(name);
        QVERIFY(run(QStringLiteral("import"),
                    {QStringLiteral("-window"), QStringLiteral("root"), path}));
        const QImage shot(path);
        QVERIFY(!shot.isNull());
        const int dark = countPixels(shot, window.geometry(), [](QColor c) {
            return c.red() < 16 && c.green() < 16 && c.blue() < 16;
        });
        QVERIFY2(dark == 0,
                 qPrintable(QStringLiteral("%1 black pixels at %2 ms").arg(dark).arg(time)));
    }
}

void TestStackLooksX11::aFileDraggedOutOfThePreview()
{
    QFETCH(bool, compositor);
    QVERIFY(composite(compositor));
    WindowRig rig;
    StackPreview* preview = openPreview(rig);
    QVERIFY(preview);

    PreviewCell* cell = preview->findChild<PreviewCell*>();
    QVERIFY(cell);
    const QPoint start = cell->mapToGlobal(cell->rect().center());
    const QPoint away(preview->geometry().left() - 120, preview->geometry().top() + 80);
    QImage during;
    bool dragged = false;
    // The drag runs a loop of its own: look at the screen from inside it, then let go.
    QTimer::singleShot(0, this, [&] {
        QTimer::singleShot(200, this, [&] {
            xdotool({QStringLiteral("mousemove"), QString::number(away.x()),
                     QString::number(away.y())});
            QTimer::singleShot(300, this, [&] {
                during = settledScreenshot(
                    QStringLiteral("looks-drag-%1.png")
                        .arg(compositor ? QLatin1String("composited") : QLatin1String("opaque")));
                xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
                xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
                dragged = true;
            });
        });
    });
    xdotool({QStringLiteral("mousemove"), QString::number(start.x()), QString::number(start.y())});
    QTRY_VERIFY(cell->underMouse());
    xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int step = 1; step <= 6; ++step)
        xdotool({QStringLiteral("mousemove"), QString::number(start.x() - 4 * step),
                 QString::number(start.y())});
    QTRY_VERIFY_WITH_TIMEOUT(dragged, 20000);
    QVERIFY(!during.isNull());
    // The image follows the pointer over the desktop: a file's icon, never a white square.
    // The page icon leaves the corners of its 80 × 80 image clear, so the desktop shows there.
    const QRect square(away - QPoint(40, 40), PreviewCell::dragImageSize);
    for (const QPoint corner :
         {square.topLeft(), square.topRight() - QPoint(3, 0), square.bottomLeft() - QPoint(0, 3),
          square.bottomRight() - QPoint(3, 3)}) {
        const int desktopShows = countPixels(during, QRect(corner, QSize(4, 4)),
                                             [](QColor c) { return near(c, desktop, 6); });
        QVERIFY2(desktopShows == 16, qPrintable(during.pixelColor(corner).name()));
    }
}

void TestStackLooksX11::thePreviewIsSolidAndScrollsWithoutArrows()
{
    QFETCH(bool, compositor);
    QVERIFY(composite(compositor));
    WindowRig rig;
    StackPreview* preview = openPreview(rig);
    QVERIFY(preview);
    const QImage shot = settledScreenshot(
        QStringLiteral("looks-preview-%1.png")
            .arg(compositor ? QLatin1String("composited") : QLatin1String("opaque")));
    QVERIFY(!shot.isNull());
    // The panel's own colour over the desktop, not a mix that lets what lies behind show.
    const QColor panel = preview->palette().color(QPalette::Active, QPalette::Window);
    const QPoint margin = preview->geometry().topLeft() + QPoint(preview->width() / 2, 8);
    QVERIFY2(near(shot.pixelColor(margin), panel, 2), qPrintable(shot.pixelColor(margin).name()));

    // Fourteen files scroll, on a bar without arrow buttons.
    QScrollBar* bar = preview->findChild<QScrollArea*>()->verticalScrollBar();
    QVERIFY(bar->isVisible());
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    option.subControls = QStyle::SC_All;
    for (const QStyle::SubControl arrow :
         {QStyle::SC_ScrollBarAddLine, QStyle::SC_ScrollBarSubLine})
        QVERIFY(bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, arrow, bar).isEmpty());
}

QTEST_MAIN(TestStackLooksX11)
#include "tst_stacklooks_x11.moc"
