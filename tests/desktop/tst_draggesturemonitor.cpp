#include "FakeDesktopPlatform.h"
#include "FixedScreens.h"
#include "LogCapture.h"
#include "MemorySettings.h"
#include "TempHome.h"
#include "VirtualScheduler.h"
#include "desktop/DragGestureMonitor.h"
#include "desktop/GestureHint.h"
#include "desktop/GestureHintWindow.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LocalFileSystem.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {
// Remembers what the gesture did with its hint.
class RecordingHint : public GestureHint
{
public:
    void showAt(const QPointF& origin) override
    {
        visible = true;
        ++shows;
        last = origin;
    }
    void moveTo(const QPointF& origin) override { last = origin; }
    void hide() override { visible = false; }

    bool visible = false;
    int shows = 0;
    QPointF last;
};

struct Gesture
{
    QList<DesktopFile> files;
    QPointF point;
};

// One monitor on a temporary home with a Desktop holding a few files, their icons placed by a
// scripted desktop program.
struct Rig
{
    Rig()
        : monitor(platform, settings, scheduler, fileSystem, paths, screens, hint)
    {
        monitor.setPositionReader([this](const QStringList& names) {
            readNames.append(names);
            if (positionError)
                return BridgeResult<PositionMap>(BridgeError{*positionError, 0});
            PositionMap answer;
            for (const QString& name : names) {
                if (icons.contains(name))
                    answer.insert(name, icons.value(name));
            }
            return BridgeResult<PositionMap>(answer);
        });
        monitor.setOnGesture([this](const QList<DesktopFile>& files, const QPointF& point) {
            gestures.append({files, point});
        });
        monitor.start();
        a = home.write(QStringLiteral("Desktop/a.txt"));
        b = home.write(QStringLiteral("Desktop/b.png"));
        icons = {{QStringLiteral("a.txt"), QPointF(100, 120)},
                 {QStringLiteral("b.png"), QPointF(200, 120)}};
    }

    // Press, start a drag of `files`, and move once with the given modifiers.
    void dragFiles(const QStringList& files, Qt::KeyboardModifiers modifiers)
    {
        platform.press({400, 300});
        platform.drag({402, 301}, modifiers);
        platform.beginDrag(files);
        platform.drag({410, 305}, modifiers);
    }

    TempHome home;
    LinuxPaths paths;
    LocalFileSystem fileSystem;
    MemorySettings settings;
    VirtualScheduler scheduler;
    FixedScreens screens;
    FakeDesktopPlatform platform;
    RecordingHint hint;
    DragGestureMonitor monitor;

    QString a;
    QString b;
    QHash<QString, QPointF> icons;
    std::optional<QString> positionError;
    QList<QStringList> readNames;
    QList<Gesture> gestures;
};
} // namespace

class TestDragGestureMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aShiftDragOfDesktopIconsStacksThemAtTheRelease();
    void aClickOrAnUnchangedDragSourceIsNoDrag();
    void onlyDragsOfVisibleDesktopFilesArm_data();
    void onlyDragsOfVisibleDesktopFilesArm();
    void releasingShiftFirstCancels();
    void filesWithoutPositionsAreLeftOutOrNoneStacked();
    void theCallbackIsDroppedWithTheMonitor();
    void theHintWindowFollowsThePointerOutOfTheWay();
    void theHintKeepsClearOfTheFileManagersLabel_data();
    void theHintKeepsClearOfTheFileManagersLabel();
};

void TestDragGestureMonitor::aShiftDragOfDesktopIconsStacksThemAtTheRelease()
{
    Rig rig;
    QVERIFY(rig.platform.started);
    rig.dragFiles({rig.b, rig.a}, Qt::ShiftModifier);
    QVERIFY(rig.monitor.isArmed());
    // Right of the pointer at global (410, 305), screen y 495, and above the dragged icon.
    QVERIFY(rig.hint.visible);
    QCOMPARE(rig.hint.last, QPointF(428, 551));

    // The files are read on a later turn, not inside the drag event.
    QVERIFY(rig.readNames.isEmpty());
    rig.scheduler.advance(0ms);
    QCOMPARE(rig.readNames,
             (QList<QStringList>{{QStringLiteral("b.png"), QStringLiteral("a.txt")}}));

    rig.platform.release({430, 320}, Qt::ShiftModifier);
    QVERIFY(!rig.hint.visible);
    rig.scheduler.advance(249ms);
    QVERIFY(rig.gestures.isEmpty());
    rig.scheduler.advance(1ms);
    QCOMPARE(rig.gestures.size(), 1);
    const QList<DesktopFile> expected{{rig.b, QPointF(200, 120)}, {rig.a, QPointF(100, 120)}};
    QCOMPARE(rig.gestures.first().files, expected);
    QCOMPARE(rig.gestures.first().point, QPointF(430, 480));
}

void TestDragGestureMonitor::aClickOrAnUnchangedDragSourceIsNoDrag()
{
    Rig rig;
    // A drag source left over from an earlier drag still offers its files.
    rig.platform.beginDrag({rig.a});
    rig.platform.press({400, 300}, Qt::ShiftModifier);
    rig.platform.release({400, 300}, Qt::ShiftModifier);
    rig.platform.press({400, 300}, Qt::ShiftModifier);
    rig.platform.drag({450, 350}, Qt::ShiftModifier);
    rig.platform.drag({500, 400}, Qt::ShiftModifier);
    QVERIFY(rig.monitor.isTracking());
    QVERIFY(!rig.monitor.isDesktopDrag());
    QCOMPARE(rig.hint.shows, 0);
    rig.platform.release({500, 400}, Qt::ShiftModifier);
    rig.scheduler.runUntilIdle();
    QVERIFY(rig.gestures.isEmpty());
    QVERIFY(rig.readNames.isEmpty());
}

void TestDragGestureMonitor::onlyDragsOfVisibleDesktopFilesArm_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<bool>("arms");
    const QStringList none;
    const QStringList a{u"Desktop/a.txt"_s};
    QTest::newRow("desktop files")
        << a + QStringList{u"Desktop/b.png"_s} << none << QVariant() << true;
    QTest::newRow("a hidden one among visible ones")
        << QStringList{u"Desktop/.hidden"_s, u"Desktop/a.txt"_s} << none << QVariant() << true;
    QTest::newRow("only hidden ones")
        << QStringList{u"Desktop/.hidden"_s, u"Desktop/.b"_s} << none << QVariant() << false;
    QTest::newRow("a subfolder") << QStringList{u"Desktop/folder/c.txt"_s} << none << QVariant()
                                 << false;
    QTest::newRow("mixed with elsewhere")
        << a + QStringList{u"Documents/d.txt"_s} << none << QVariant() << false;
    QTest::newRow("nothing but non-file items") << none << none << QVariant() << false;
    // Links are judged by the folder they lie in.
    QTest::newRow("a Desktop link to a file elsewhere")
        << a + QStringList{u"Desktop/report link"_s}
        << QStringList{u"Desktop/report link -> Documents/report.txt"_s} << QVariant() << true;
    QTest::newRow("a link elsewhere to a Desktop file")
        << QStringList{u"Documents/a link"_s} << QStringList{u"Documents/a link -> Desktop/a.txt"_s}
        << QVariant() << false;
    QTest::newRow("the Desktop through a linked folder")
        << QStringList{u"desk/a.txt"_s} << QStringList{u"desk -> Desktop"_s} << QVariant() << true;
    // The setting is read at the press, after the monitor started.
    QTest::newRow("switched off") << a << none << QVariant(false) << false;
    QTest::newRow("a setting that is no Boolean") << a << none << QVariant(u"maybe"_s) << true;
}

void TestDragGestureMonitor::onlyDragsOfVisibleDesktopFilesArm()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, links);
    QFETCH(QVariant, setting);
    QFETCH(bool, arms);
    Rig rig;
    if (setting.isValid())
        rig.settings.setValue(SettingsKey::shakeToStackEnabled, setting);
    const QString home = rig.home.home() + u'/';
    for (const QString& link : std::as_const(links)) {
        const QStringList ends = link.split(QStringLiteral(" -> "));
        if (!QFileInfo::exists(home + ends[1]))
            rig.home.write(ends[1]);
        QVERIFY(QFile::link(home + ends[1], home + ends[0]));
    }
    QStringList paths;
    for (const QString& file : std::as_const(files))
        paths.append(QFileInfo::exists(home + file) ? home + file : rig.home.write(file));
    rig.dragFiles(paths, Qt::ShiftModifier);
    QCOMPARE(rig.monitor.isArmed(), arms);
    QCOMPARE(rig.hint.visible, arms);
}

void TestDragGestureMonitor::releasingShiftFirstCancels()
{
    Rig rig;
    rig.dragFiles({rig.a}, Qt::ShiftModifier);
    rig.scheduler.advance(0ms);
    QCOMPARE(rig.monitor.draggedFiles().size(), 1);
    rig.platform.modifiers({});
    QVERIFY(!rig.monitor.isArmed());
    QVERIFY(!rig.hint.visible);
    // Disarmed, the drag goes on without the hint; the files stay loaded.
    rig.platform.drag({450, 330});
    QVERIFY(rig.monitor.isDesktopDrag());
    QCOMPARE(rig.monitor.draggedFiles().size(), 1);
    rig.platform.release({450, 330});
    rig.scheduler.runUntilIdle();
    QVERIFY(rig.gestures.isEmpty());
}

void TestDragGestureMonitor::filesWithoutPositionsAreLeftOutOrNoneStacked()
{
    Rig rig;
    const QString c = rig.home.write(QStringLiteral("Desktop/c.pdf"));
    const QString hidden = rig.home.write(QStringLiteral("Desktop/.secret"));
    rig.icons.insert(QStringLiteral(".secret"), QPointF(1, 1));
    rig.dragFiles({c, hidden, rig.a}, Qt::ShiftModifier);
    rig.scheduler.advance(0ms);
    // Hidden files are not even asked for.
    QCOMPARE(rig.readNames.first(),
             (QStringList{QStringLiteral("c.pdf"), QStringLiteral("a.txt")}));
    rig.platform.release({410, 305}, Qt::ShiftModifier);
    rig.scheduler.advance(250ms);
    QCOMPARE(rig.gestures.size(), 1);
    QCOMPARE(rig.gestures.first().files, (QList<DesktopFile>{{rig.a, QPointF(100, 120)}}));

    // A gesture none of whose files is placed ends without a callback.
    rig.icons.clear();
    rig.dragFiles({c}, Qt::ShiftModifier);
    rig.scheduler.advance(0ms);
    rig.platform.release({410, 305}, Qt::ShiftModifier);
    rig.scheduler.runUntilIdle();
    QCOMPARE(rig.gestures.size(), 1);

    // Nor does one whose positions could not be read; the failure is logged.
    LogCapture log;
    rig.positionError = QStringLiteral("Caja is not running");
    rig.dragFiles({rig.a}, Qt::ShiftModifier);
    rig.scheduler.advance(0ms);
    QCOMPARE(log.startingWith(QStringLiteral("Tidorama: ")),
             QStringList{
                 QStringLiteral("Tidorama: could not read icon positions: Caja is not running")});
    rig.platform.release({410, 305}, Qt::ShiftModifier);
    rig.scheduler.runUntilIdle();
    QCOMPARE(rig.gestures.size(), 1);
}

void TestDragGestureMonitor::theCallbackIsDroppedWithTheMonitor()
{
    Rig rig;
    int calls = 0;
    auto second =
        std::make_unique<DragGestureMonitor>(rig.platform, rig.settings, rig.scheduler,
                                             rig.fileSystem, rig.paths, rig.screens, rig.hint);
    second->setPositionReader([](const QStringList& names) {
        return BridgeResult<PositionMap>(PositionMap{{names.first(), QPointF(1, 2)}});
    });
    second->setOnGesture([&calls](const QList<DesktopFile>&, const QPointF&) { ++calls; });
    second->start();
    rig.dragFiles({rig.a}, Qt::ShiftModifier);
    rig.scheduler.advance(0ms);
    rig.platform.release({410, 305}, Qt::ShiftModifier);
    second.reset();
    rig.scheduler.advance(250ms);
    QCOMPARE(calls, 0);
    QCOMPARE(rig.gestures.size(), 1);
}

void TestDragGestureMonitor::theHintWindowFollowsThePointerOutOfTheWay()
{
    FixedScreens screens;
    GestureHintWindow hint(screens);
    QVERIFY(
        hint.windowFlags().testFlags(Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus));
    QVERIFY(hint.testAttribute(Qt::WA_ShowWithoutActivating));
    // The origin is the panel's lower-left corner, y upward: on the 800-high screen a y of 452
    // puts its top at global 318.
    hint.showAt(QPointF(418, 452));
    QCOMPARE(hint.geometry(), QRect(418, 318, 150, 30));
    hint.moveTo(QPointF(518, 352));
    QCOMPARE(hint.pos(), QPoint(518, 418));
}

void TestDragGestureMonitor::theHintKeepsClearOfTheFileManagersLabel_data()
{
    QTest::addColumn<QPoint>("pointer");
    QTest::newRow("mid-screen") << QPoint(410, 305);
    QTest::newRow("near the top") << QPoint(410, 12);
    QTest::newRow("near the bottom") << QPoint(410, 790);
}

void TestDragGestureMonitor::theHintKeepsClearOfTheFileManagersLabel()
{
    QFETCH(QPoint, pointer);
    Rig rig;
    rig.dragFiles({rig.a}, Qt::ShiftModifier);
    rig.platform.drag(pointer, Qt::ShiftModifier);
    QVERIFY(rig.hint.visible);
    // The panel in global coordinates (the screen is 800 high).
    const QSizeF panel(GestureHintWindow::panelSize);
    const QRectF hint(rig.hint.last.x(), 800 - rig.hint.last.y() - panel.height(), panel.width(),
                      panel.height());
    // Caja's drag label of an icon grabbed by its image, as measured: 67 × 69 around the pointer.
    const QRectF label(pointer.x() - 34, pointer.y() - 18, 68, 70);
    QVERIFY2(!hint.intersects(label),
             qPrintable(QStringLiteral("%1,%2").arg(hint.x()).arg(hint.y())));
    QVERIFY(QRectF(0, 0, 1280, 800).contains(hint));
}

QTEST_MAIN(TestDragGestureMonitor)
#include "tst_draggesturemonitor.moc"
