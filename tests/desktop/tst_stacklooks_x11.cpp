#include "WindowRig.h"
#include "X11Screen.h"
#include "X11TestClient.h"
#include "desktop/FileIcons.h"
#include "desktop/PreviewCell.h"
#include "desktop/StackCard.h"
#include "desktop/StackPreview.h"
#include "desktop/StackView.h"
#include "desktop/StackViewModel.h"
#include "platform/x11/X11DesktopPlatform.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QVariantAnimation>

#include <xcb/xcb.h>

using namespace X11Screen;
using namespace X11TestTools;

namespace {

const QColor desktop(0x2f, 0x5d, 0x73);

// A shot named after the test and whether a compositor runs.
QString shotName(const char* what)
{
    return QStringLiteral("looks-%1-%2.png")
        .arg(QLatin1String(what), QLatin1String(QTest::currentDataTag()));
}

} // namespace

class TestStackLooksX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    // First, before any stack is drawn.
    void fileKindsKeepTheirIconsAfterAnEarlierLookup();
    void init();
    void cleanup();
    void stacksShowTheDesktopAroundThem_data() { withAndWithoutCompositor(); }
    void stacksShowTheDesktopAroundThem();
    void releaseToDissolveStaysReadable_data() { withAndWithoutCompositor(); }
    void releaseToDissolveStaysReadable();
    void theSpringIn_data() { withAndWithoutCompositor(); }
    void theSpringIn();
    void aFileDraggedOutOfThePreview_data() { withAndWithoutCompositor(); }
    void aFileDraggedOutOfThePreview();
    void thePreviewIsSolid_data() { withAndWithoutCompositor(); }
    void thePreviewIsSolid();

private:
    // The preview of a stack of fourteen files (it scrolls), open and painted.
    StackPreview* openPreview(WindowRig& rig);

    std::unique_ptr<X11DesktopPlatform> m_platform;
    std::unique_ptr<X11TestClient> m_wallpaper;
    QProcess m_compositor;
};

void TestStackLooksX11::fileKindsKeepTheirIconsAfterAnEarlierLookup()
{
    // The tray menu looks its help icon up before the first stack is drawn; file icons must
    // still come from the installed theme, one per kind, not the same blank page for all.
    (void)QIcon::fromTheme(QStringLiteral("help-contents")).pixmap(16, 16);
    const QImage text = FileIcons::iconImage(QStringLiteral("/nowhere/notes.txt"), {64, 64}, 1);
    const QImage picture = FileIcons::iconImage(QStringLiteral("/nowhere/beach.png"), {64, 64}, 1);
    const QImage sound = FileIcons::iconImage(QStringLiteral("/nowhere/song.mp3"), {64, 64}, 1);
    QVERIFY(text != picture);
    QVERIFY(picture != sound);
}

void TestStackLooksX11::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(waitForWindowManager());
    m_platform = X11DesktopPlatform::create();
    QVERIFY(m_platform);
    m_wallpaper = std::make_unique<X11TestClient>();
    m_wallpaper->setWallpaper(desktop);
}

void TestStackLooksX11::init()
{
    if (!QTest::currentDataTag())
        return;
    QFETCH(bool, compositor);
    QVERIFY(composite(m_compositor, compositor, *m_platform));
}

void TestStackLooksX11::cleanup()
{
    if (StackPreview* open = StackPreview::current())
        open->closePreview();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    composite(m_compositor, false, *m_platform);
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

void TestStackLooksX11::stacksShowTheDesktopAroundThem()
{
    WindowRig rig;
    const QStringList pictures{
        rig.image(QStringLiteral("beach.png"), QColor(0xe8, 0x5d, 0x3a)),
        rig.image(QStringLiteral("forest.png"), QColor(0x3a, 0xa8, 0x5d), QSize(90, 120)),
        rig.image(QStringLiteral("sky.png"), QColor(0x3a, 0x6e, 0xe8)),
        rig.file(QStringLiteral("notes.txt"))};
    StackWindow& collapsed =
        rig.make(QStringLiteral("A"), WindowRig::record(QStringLiteral("4 Photos"), 4), pictures,
                 {200, 250}, m_platform.get());
    StackWindow& selected = rig.make(
        QStringLiteral("B"), WindowRig::record(QStringLiteral("Invoices and receipts 2024"), 2),
        {rig.file(QStringLiteral("invoice.pdf")), rig.file(QStringLiteral("receipt.pdf"))},
        {420, 250}, m_platform.get());
    StackWindow& spread =
        rig.make(QStringLiteral("C"), WindowRig::record(QStringLiteral("Spread"), 3, true), {},
                 {640, 250}, m_platform.get());
    rig.scheduler.runUntilIdle();
    selected.selectOnly();
    for (StackWindow* window : {&collapsed, &selected, &spread}) {
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_COMPARE(window->view().isCompositing(), m_platform->hasCompositor());
        window->view().finishAnimations();
    }
    const QImage shot = settledScreenshot(shotName("stacks"));
    QVERIFY(!shot.isNull());
    // Around the cards the desktop shows, never a black box.
    for (StackWindow* window : {&collapsed, &selected, &spread}) {
        const QRect frame = window->geometry();
        for (const QPoint corner :
             {frame.topLeft() + QPoint(2, 2), frame.bottomLeft() + QPoint(2, -2),
              frame.bottomRight() - QPoint(2, 2)})
            QVERIFY2(near(shot.pixelColor(corner), desktop),
                     qPrintable(shot.pixelColor(corner).name()));
        // Without a compositor the card is drawn over the desktop's colour itself.
        if (!m_platform->hasCompositor())
            QCOMPARE(window->view().backdrop(), desktop);
    }
    // The thumbnails show in the fan, the first one on top.
    const QRect fan = collapsed.geometry();
    QVERIFY(near(shot.pixelColor(fan.x() + 75, fan.y() + 60), QColor(0xe8, 0x5d, 0x3a), 20));
}

void TestStackLooksX11::releaseToDissolveStaysReadable()
{
    WindowRig rig;
    StackWindow& window =
        rig.make(QStringLiteral("A"), WindowRig::record(QStringLiteral("Spread"), 3, true), {},
                 {400, 300}, m_platform.get());
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.view().isCompositing(), m_platform->hasCompositor());
    window.model().setDissolveProgress(1.0);
    window.view().finishAnimations();
    const QImage shot = settledScreenshot(shotName("dissolve"));
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
    for (int time = 20; time <= 320; time += 30) {
        for (QVariantAnimation* animation : running)
            animation->setCurrentTime(time);
        // A round trip: the server has done everything asked so far.
        free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        const QImage shot = screenshot(shotName("springin"));
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
                during = settledScreenshot(shotName("drag"));
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

void TestStackLooksX11::thePreviewIsSolid()
{
    WindowRig rig;
    StackPreview* preview = openPreview(rig);
    QVERIFY(preview);
    const QImage shot = settledScreenshot(shotName("preview"));
    QVERIFY(!shot.isNull());
    // The panel's own colour over the desktop, not a mix that lets what lies behind show.
    const QColor panel = preview->palette().color(QPalette::Active, QPalette::Window);
    const QPoint margin = preview->geometry().topLeft() + QPoint(preview->width() / 2, 8);
    QVERIFY2(near(shot.pixelColor(margin), panel, 2), qPrintable(shot.pixelColor(margin).name()));
    // Cut to its rounded corners without a compositor, they show the desktop or the panel,
    // never a dark fringe.
    if (m_platform->hasCompositor())
        return;
    const QRect box = preview->geometry();
    for (const QPoint corner : {box.topLeft(), box.bottomLeft() - QPoint(0, 11),
                                box.topRight() - QPoint(11, 0), box.bottomRight() - QPoint(11, 11)})
        QCOMPARE(
            countPixels(shot, QRect(corner, QSize(12, 12)),
                        [&panel](QColor c) { return near(c, desktop, 12) || near(c, panel, 40); }),
            144);
}

QTEST_MAIN(TestStackLooksX11)
#include "tst_stacklooks_x11.moc"
