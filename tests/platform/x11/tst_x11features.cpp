#include "platform/x11/X11DesktopPlatform.h"

#include <QTest>

class TestX11Features : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlyFeaturesThatAnswerRightAreOffered_data();
    void onlyFeaturesThatAnswerRightAreOffered();
};

void TestX11Features::onlyFeaturesThatAnswerRightAreOffered_data()
{
    using Feature = DesktopPlatform::Feature;
    QTest::addColumn<bool>("xwayland");
    QTest::addColumn<bool>("xinput2");
    QTest::addColumn<bool>("selectionsWatched");
    QTest::addColumn<int>("features");
    const int always = int(Feature::HotKey | Feature::WindowHints);
    QTest::newRow("X server") << false << true << true << int(DesktopPlatform::allFeatures());
    QTest::newRow("no XInput 2") << false << false << true
                                 << (always | int(Feature::DesktopTest | Feature::DragSource));
    QTest::newRow("no XFixes") << false << true << false
                               << (always | int(Feature::DesktopTest | Feature::PointerEvents));
    // The pointer, the drag and the Desktop under a point are Wayland's: nothing that needs
    // them is offered, whatever the X server has.
    QTest::newRow("XWayland") << true << true << true << always;
}

void TestX11Features::onlyFeaturesThatAnswerRightAreOffered()
{
    QFETCH(bool, xwayland);
    QFETCH(bool, xinput2);
    QFETCH(bool, selectionsWatched);
    QFETCH(int, features);
    QCOMPARE(int(X11DesktopPlatform::featuresOn({xwayland, xinput2, selectionsWatched})), features);
}

QTEST_GUILESS_MAIN(TestX11Features)
#include "tst_x11features.moc"
