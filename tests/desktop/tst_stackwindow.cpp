#include "WindowRig.h"
#include "desktop/StackContainerView.h"
#include "desktop/StackPreview.h"
#include "desktop/StackViewModel.h"

#include <QApplication>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>

using std::chrono::milliseconds;
using namespace Qt::StringLiterals;

namespace {

QStringList titles(QMenu& menu)
{
    QStringList result;
    const QList<QAction*> actions = menu.actions();
    for (const QAction* action : actions)
        result.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return result;
}

QAction* item(QMenu& menu, const QString& title)
{
    const QList<QAction*> actions = menu.actions();
    for (QAction* action : actions) {
        if (action->text() == title)
            return action;
    }
    return nullptr;
}

QColor centreColour(const QImage& image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

} // namespace

class TestStackWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { quietOffscreenPlatform(); }
    void clicksFollowTheRules_data();
    void clicksFollowTheRules();
    void dragsEndAsTheyShould_data();
    void dragsEndAsTheyShould();
    void aDragFollowsThePointerAndCanDissolve();
    void menusFollowAndActOnTheTargets();
    void dropsTakeFilesOnly();
    void thumbnailsShowTheFirstThreeFiles();
    void theManagerPlacesTheWindow();
};

void TestStackWindow::clicksFollowTheRules_data()
{
    QTest::addColumn<bool>("expanded");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("middle");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<bool>("selectedAfter");
    QTest::addColumn<bool>("preview");

    const QStringList track{QStringLiteral("beginGroupDrag A"), QStringLiteral("endGroupDrag")};
    const int none = Qt::NoModifier;
    QTest::newRow("click selects a collapsed stack")
        << false << false << none << 1 << false << track << true << false;
    QTest::newRow("click restacks a spread stack")
        << true << false << none << 1 << false << track + QStringList{u"toggle A"_s} << true
        << false;
    QTest::newRow("double-click spreads a collapsed stack")
        << false << false << none << 2 << false << QStringList{u"toggle A"_s} << false << false;
    QTest::newRow("double-click on a spread stack does nothing")
        << true << false << none << 2 << false << QStringList() << false << false;
    QTest::newRow("alt-click opens the preview")
        << false << false << int(Qt::AltModifier) << 1 << false << QStringList() << true << true;
    QTest::newRow("middle-click opens the preview")
        << false << false << none << 1 << true << QStringList() << true << true;
    QTest::newRow("alt-click on a spread stack is a click")
        << true << false << int(Qt::AltModifier) << 1 << false << track + QStringList{u"toggle A"_s}
        << true << false;
    QTest::newRow("shift-click adds at the press")
        << false << false << int(Qt::ShiftModifier) << 1 << false
        << QStringList{u"toggleSelection A"_s} + track << true << false;
    QTest::newRow("ctrl-click takes out at the release")
        << false << true << int(Qt::ControlModifier) << 1 << false
        << track + QStringList{u"toggleSelection A"_s} << false << false;
    QTest::newRow("shift-click on a spread stack never toggles it")
        << true << false << int(Qt::ShiftModifier) << 1 << false
        << QStringList{u"toggleSelection A"_s} + track << true << false;
}

void TestStackWindow::clicksFollowTheRules()
{
    QFETCH(bool, expanded);
    QFETCH(bool, selected);
    QFETCH(int, modifiers);
    QFETCH(int, clicks);
    QFETCH(bool, middle);
    QFETCH(QStringList, actions);
    QFETCH(bool, selectedAfter);
    QFETCH(bool, preview);

    WindowRig rig;
    StackWindow& a = rig.make(QStringLiteral("A"), expanded);
    StackWindow& b = rig.make(QStringLiteral("B"), false, {600, 300});
    rig.host.selection = selected ? QSet<QUuid>{a.stackID(), b.stackID()} : QSet<QUuid>{};
    rig.host.publish();

    const QPoint at = a.geometry().center();
    a.mouseDown(at, Qt::KeyboardModifiers(modifiers), clicks, middle);
    a.mouseUp();

    QCOMPARE(rig.host.actions(), actions);
    QCOMPARE(a.model().isSelected(), selectedAfter);
    QCOMPARE(rig.host.selection.contains(a.stackID()), selectedAfter);
    // A plain click leaves the stack selected alone; a modified one keeps the others.
    if (!modifiers && clicks == 1 && !middle)
        QCOMPARE(rig.host.selection, QSet<QUuid>{a.stackID()});
    QCOMPARE(StackPreview::current() != nullptr, preview);
    if (preview) {
        QCOMPARE(StackPreview::current()->source(), &a);
        // The same click again closes it.
        a.mouseDown(at, Qt::KeyboardModifiers(modifiers), clicks, middle);
        QVERIFY(!StackPreview::current());
    }
}

void TestStackWindow::dragsEndAsTheyShould_data()
{
    QTest::addColumn<bool>("expanded");
    QTest::addColumn<bool>("groupDrag");
    QTest::addColumn<bool>("managerTakesRelease");
    QTest::addColumn<QPoint>("by");
    QTest::addColumn<QStringList>("actions");

    // The visible frame is 1280 × 776: half its shorter side is 388 points.
    const QStringList drag{u"beginGroupDrag A"_s, u"endGroupDrag"_s};
    QTest::newRow("a drag is no click") << true << false << false << QPoint(30, -20) << drag;
    QTest::newRow("wobbling back to the start is a click")
        << true << false << false << QPoint(0, 0) << drag + QStringList{u"toggle A"_s};
    QTest::newRow("short of half the screen") << true << false << false << QPoint(384, 0) << drag;
    QTest::newRow("half the screen dissolves a spread stack")
        << true << false << false << QPoint(0, -388)
        << drag + QStringList{u"dissolveAfterAnimation A"_s};
    QTest::newRow("a collapsed stack never dissolves")
        << false << false << false << QPoint(500, 0) << drag;
    QTest::newRow("nor does a group drag") << true << true << false << QPoint(0, -400) << drag;
    QTest::newRow("a release the manager takes (a merge) neither dissolves nor toggles")
        << true << false << true << QPoint(0, 400) << drag;
}

void TestStackWindow::dragsEndAsTheyShould()
{
    QFETCH(bool, expanded);
    QFETCH(bool, groupDrag);
    QFETCH(bool, managerTakesRelease);
    QFETCH(QPoint, by);
    QFETCH(QStringList, actions);
    WindowRig rig;
    StackWindow& a = rig.make(QStringLiteral("A"), expanded);
    rig.host.groupDrag = groupDrag;
    rig.host.consumeRelease = managerTakesRelease;
    dragBy(a, {{2, 1}, by});
    QVERIFY(!a.isDragging());
    QCOMPARE(a.model().isDissolving(), actions.last().startsWith(QLatin1String("dissolve")));
    rig.scheduler.advance(milliseconds(600));
    QCOMPARE(rig.host.actions(), actions);
}

void TestStackWindow::aDragFollowsThePointerAndCanDissolve()
{
    WindowRig rig;
    StackWindow& a = rig.make(QStringLiteral("A"), true);
    const QPoint topLeft = a.pos();
    // The window follows the pointer exactly; every step is reported, in order.
    dragBy(a, {{3, 1}, {30, -20}});
    QCOMPARE(a.pos(), topLeft + QPoint(30, -20));
    QCOMPARE(rig.host.calls, (QStringList{u"beginGroupDrag A"_s, u"moved A 303,299"_s,
                                          u"moved A 330,320"_s, u"endGroupDrag"_s}));

    // The caption tells when a release will dissolve.
    rig.host.calls.clear();
    const QPoint start = a.geometry().center();
    a.mouseDown(start, Qt::NoModifier, 1);
    a.mouseDragged(start + QPoint(384, 0));
    QVERIFY(qAbs(a.model().dissolveProgress() - 384.0 / 388.0) < 1e-9);
    QCOMPARE(a.model().caption(), QStringLiteral("A"));
    a.mouseDragged(start + QPoint(0, -388));
    QCOMPARE(a.model().caption(), QStringLiteral("Release to dissolve"));
    a.mouseUp();
    // Once dissolving it shows its name again, and the progress stays where it was.
    QCOMPARE(a.model().caption(), QStringLiteral("A"));
    QCOMPARE(a.model().dissolveProgress(), 1.0);
    QCOMPARE(rig.alerts.haptics, QList<Haptic>{Haptic::Generic});
    // Moves no longer reach the manager while the window animates away.
    a.setFrameOrigin({10, 10});
    a.move(a.pos() + QPoint(5, 5));
    rig.scheduler.advance(milliseconds(600));
    QCOMPARE(rig.host.calls.filter(QStringLiteral("moved")),
             (QStringList{u"moved A 714,320"_s, u"moved A 330,708"_s}));
}

void TestStackWindow::menusFollowAndActOnTheTargets()
{
    WindowRig rig;
    StackWindow& a = rig.make(QStringLiteral("A"));
    StackWindow& b = rig.make(QStringLiteral("B"), true, {600, 300});
    StackWindow& c = rig.make(QStringLiteral("C"), false, {900, 300});
    StackWindow& outside = rig.make(QStringLiteral("D"), false, {300, 600});

    // The stack that is spread offers to stack its files again.
    QCOMPARE(b.buildContextMenu()->actions().first()->text(), QStringLiteral("Stack Files"));

    rig.host.selection = {a.stackID(), b.stackID(), c.stackID()};
    rig.host.publish();
    std::unique_ptr<QMenu> three = a.buildContextMenu();
    QCOMPARE(titles(*three),
             (QStringList{u"Spread Files"_s, u"Spread Files in a Grid"_s,
                          u"Convert 3 Stacks into Folders"_s, u"-"_s, u"Dissolve 3 Stacks"_s,
                          u"Move 3 Stacks to Bin\u2026"_s}));
    // Every item is enabled, the Bin only while no work runs.
    const QList<QAction*> actions = three->actions();
    for (const QAction* action : actions)
        QVERIFY(action->isEnabled());
    rig.host.working = true;
    std::unique_ptr<QMenu> busy = c.buildContextMenu();
    QVERIFY(!item(*busy, QStringLiteral("Move 3 Stacks to Bin\u2026"))->isEnabled());
    QVERIFY(item(*busy, QStringLiteral("Dissolve 3 Stacks"))->isEnabled());
    rig.host.working = false;

    // The clicked window's own state decides between spreading and restacking.
    for (const QString& title : titles(*three)) {
        if (title != QLatin1String("-"))
            item(*three, title)->trigger();
    }
    QCOMPARE(rig.host.actions(),
             (QStringList{u"spread A"_s, u"spread B"_s, u"spread C"_s, u"spread A grid"_s,
                          u"spread B grid"_s, u"spread C grid"_s, u"convert A,B,C"_s,
                          u"dissolveFromMenu A"_s, u"bin A,B,C"_s}));

    rig.host.calls.clear();
    b.toggleFromMenu();
    b.gridFromMenu();
    QCOMPARE(rig.host.actions(),
             (QStringList{u"restack A letMovedLeave"_s, u"restack B letMovedLeave"_s,
                          u"restack C letMovedLeave"_s, u"arrangeInGrid A"_s, u"arrangeInGrid B"_s,
                          u"arrangeInGrid C"_s}));

    // Outside the selection a window acts on itself alone, and its menu selects it first.
    rig.host.calls.clear();
    outside.showContextMenu(outside.geometry().center());
    QCOMPARE(rig.host.selection, QSet<QUuid>{outside.stackID()});
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(popup);
    item(*popup, QStringLiteral("Rename\u2026"))->trigger();
    popup->close();
    outside.moveToBinFromMenu();
    QCOMPARE(rig.host.actions(), (QStringList{u"rename D"_s, u"bin D"_s}));
}

void TestStackWindow::dropsTakeFilesOnly()
{
    WindowRig rig;
    StackWindow& a = rig.make(QStringLiteral("A"));
    auto* container = a.findChild<StackContainerView*>();
    const QString file = rig.file(QStringLiteral("dropped.txt"));

    QMimeData links;
    links.setUrls({QUrl(QStringLiteral("https://example.org/page")),
                   QUrl(QStringLiteral("file://elsewhere.example/srv/x"))});
    QDropEvent webDrop(QPointF(70, 70), Qt::CopyAction | Qt::MoveAction, &links, Qt::LeftButton,
                       Qt::NoModifier);
    QApplication::sendEvent(container, &webDrop);
    QVERIFY(!webDrop.isAccepted());
    QVERIFY(!a.dropFiles({}));

    QMimeData mixed;
    mixed.setUrls({QUrl(QStringLiteral("https://example.org/")), QUrl::fromLocalFile(file)});
    QCOMPARE(StackContainerView::filePaths(&mixed), QStringList{file});

    // Entering shows the hint and offers a copy when the source allows one.
    QDragEnterEvent enter(QPoint(70, 70), Qt::CopyAction | Qt::MoveAction, &mixed, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(container, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QVERIFY(a.model().isDropTarget());

    // The drop is answered at once; the files join on the next turn.
    QDropEvent drop(QPointF(70, 70), Qt::MoveAction, &mixed, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(container, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::MoveAction);
    QVERIFY(!a.model().isDropTarget());
    QVERIFY(rig.host.actions().isEmpty());
    rig.scheduler.advance(milliseconds(0));
    QCOMPARE(rig.host.actions(), QStringList{QStringLiteral("addFiles A ") + file});
}

void TestStackWindow::thumbnailsShowTheFirstThreeFiles()
{
    WindowRig rig;
    const QStringList images{rig.image(u"1.png"_s, Qt::red), rig.image(u"2.png"_s, Qt::green),
                             rig.image(u"3.png"_s, Qt::blue), rig.image(u"4.png"_s, Qt::yellow)};
    QDir(rig.folder.path()).mkdir(QStringLiteral("folder.png"));
    StackWindow& a = rig.make(QStringLiteral("A"), WindowRig::record(u"A"_s, 4), images);

    // Icons at once, the pictures once the worker has read them, to fit 80 × 80.
    QCOMPARE(a.model().thumbnails().size(), 3);
    rig.scheduler.runUntilIdle();
    QCOMPARE(centreColour(a.model().thumbnails().at(0)), QColor(Qt::red));
    QCOMPARE(centreColour(a.model().thumbnails().at(2)), QColor(Qt::blue));
    QCOMPARE(a.model().thumbnails().at(0).size(), QSize(80, 60));

    // A late answer for files no longer shown is dropped; folders keep their icons.
    a.update(WindowRig::record(u"A"_s, 2), {images.at(3), rig.folder.filePath(u"folder.png"_s)});
    a.update(WindowRig::record(u"A"_s, 1), {images.at(1)});
    rig.scheduler.runUntilIdle();
    QCOMPARE(a.model().thumbnails().size(), 1);
    QCOMPARE(centreColour(a.model().thumbnails().first()), QColor(Qt::green));
    a.update(WindowRig::record(u"A"_s, 1), {rig.folder.filePath(u"folder.png"_s)});
    QCOMPARE(rig.scheduler.pending(), 0);
}

void TestStackWindow::theManagerPlacesTheWindow()
{
    WindowRig rig;
    StackWindow& a = rig.make(QStringLiteral("A"));
    // Screen (300, 300) is Qt's (300, 800 − 300 − 150).
    QCOMPARE(a.geometry(), QRect(300, 350, 140, 150));
    QCOMPARE(a.frame(), QRectF(300, 300, 140, 150));
    // A fractional origin stays exact while the window stands there.
    a.setFrameOrigin({100.25, 200.5});
    QCOMPARE(a.frameOrigin(), QPointF(100.25, 200.5));
    QVERIFY(rig.host.calls.isEmpty());

    // A move made by someone else (the window manager) reaches the manager once.
    a.move(a.pos() + QPoint(10, 0));
    QCOMPARE(rig.host.calls, QStringList{QStringLiteral("moved A 110,200")});

    // The window's preview goes when the window moves, is spread or closes.
    a.mouseDown(a.geometry().center(), Qt::AltModifier, 1);
    QVERIFY(StackPreview::current());
    a.setFrameOrigin({400, 400});
    QVERIFY(!StackPreview::current());
    a.mouseDown(a.geometry().center(), Qt::AltModifier, 1);
    a.update(WindowRig::record(u"A"_s, 2, true), a.files());
    QVERIFY(!StackPreview::current());
    a.update(WindowRig::record(u"A"_s, 2), a.files());
    a.mouseDown(a.geometry().center(), Qt::AltModifier, 1);
    QVERIFY(StackPreview::current());
    a.close();
    QVERIFY(!StackPreview::current());
    QVERIFY(!a.isVisible());
}

QTEST_MAIN(TestStackWindow)
#include "tst_stackwindow.moc"
