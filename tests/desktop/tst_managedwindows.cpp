#include "TestServices.h"
#include "WindowRig.h"
#include "desktop/QtStackWindowFactory.h"
#include "desktop/StackViewModel.h"
#include "engine/StackManager.h"
#include "engine/StackSelection.h"
#include "engine/StackWindows.h"

#include <QTest>

using std::chrono::milliseconds;

namespace {

void click(StackWindow& window, int count = 1)
{
    window.mouseDown(window.geometry().center(), Qt::NoModifier, count);
    window.mouseUp();
}

} // namespace

// The real windows in the hands of the real manager, on real files: what the user does to a
// window must end as the manager's operation, with every file kept.
class TestManagedWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { quietOffscreenPlatform(); }
    void clicksDragsMergesAndDissolves();
};

void TestManagedWindows::clicksDragsMergesAndDissolves()
{
    TestServices t;
    const Services base = t.services();
    QtStackWindowFactory factory(
        StackWindowEnvironment{base.scheduler, base.screens, base.fileSystem, base.alerts});
    StackManager manager(Services{base.paths, base.settings, base.folderGuard, base.fileSystem,
                                  base.bookmarks, base.scheduler, base.alerts, base.screens,
                                  base.desktop, factory, base.firstRun, base.cloudSync,
                                  base.wording, base.workspace, base.program});
    const QStringList first{QStringLiteral("a.txt"), QStringLiteral("b \"quoted\".txt"),
                            QStringLiteral("c.png")};
    const QStringList second{QStringLiteral("d.pdf"), QStringLiteral("e.txt")};
    for (qsizetype i = 0; i < first.size(); ++i)
        t.addDesktopFile(first[i], QPointF(100, 100 + 90 * i));
    for (qsizetype i = 0; i < second.size(); ++i)
        t.addDesktopFile(second[i], QPointF(900, 500 + 90 * i));

    manager.stackFiles(t.desktopFiles(first), QStringLiteral("A"), {200, 200});
    manager.stackFiles(t.desktopFiles(second), QStringLiteral("B"), {700, 400});
    t.scheduler.runUntilIdle();
    QCOMPARE(manager.stacks().size(), 2);
    const DesktopStack a = manager.stacks().at(0);
    const DesktopStack b = manager.stacks().at(1);
    auto* windowA = dynamic_cast<StackWindow*>(manager.windows().window(a.id));
    auto* windowB = dynamic_cast<StackWindow*>(manager.windows().window(b.id));
    QVERIFY(windowA && windowB);
    QVERIFY(windowA->isVisible());
    QCOMPARE(windowA->frameOrigin(), QPointF(200, 200));
    QCOMPARE(windowA->model().count(), 3);
    QCOMPARE(t.namesIn(t.stackFolder(a)).size(), 3);

    // A click selects; a double-click spreads the files back to their places.
    click(*windowA);
    QCOMPARE(manager.selection().selected(), QSet<QUuid>{a.id});
    QVERIFY(windowA->model().isSelected());
    click(*windowA, 2);
    t.scheduler.runUntilIdle();
    QCOMPARE(manager.stackWithID(a.id)->state, StackState::expanded);
    for (qsizetype i = 0; i < first.size(); ++i) {
        QVERIFY(QFileInfo::exists(t.desktopPath(first[i])));
        QCOMPARE(t.desktop.icon(first[i]), std::optional(QPointF(100, 100 + 90 * i)));
    }
    // A click on the spread stack gathers them again.
    click(*windowA);
    t.scheduler.runUntilIdle();
    QCOMPARE(manager.stackWithID(a.id)->state, StackState::collapsed);
    QCOMPARE(t.namesIn(t.stackFolder(a)).size(), 3);

    // Dragged onto B, A's files join B and A's window goes.
    const QPoint toB = windowB->geometry().center() - windowA->geometry().center();
    dragBy(*windowA, {toB / 3, toB / 2, toB});
    t.scheduler.runUntilIdle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(manager.stacks().size(), 1);
    QVERIFY(!manager.windows().window(a.id));
    QCOMPARE(manager.stacks().at(0).items.size(), 5);
    QCOMPARE(t.namesIn(t.stackFolder(b)).size(), 5);
    QCOMPARE(windowB->model().count(), 5);
    QCOMPARE(windowB->frameOrigin(), QPointF(700, 400));

    // Spread, then dragged half the screen away: the stack dissolves and its files stay out.
    click(*windowB, 2);
    t.scheduler.runUntilIdle();
    dragBy(*windowB, {{0, 100}, {0, 390}});
    QVERIFY(windowB->model().isDissolving());
    t.scheduler.advance(milliseconds(600));
    t.scheduler.runUntilIdle();
    QVERIFY(manager.stacks().isEmpty());
    QVERIFY(!manager.windows().window(b.id));
    for (const QString& name : first + second)
        QVERIFY2(QFileInfo::exists(t.desktopPath(name)), qPrintable(name));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_MAIN(TestManagedWindows)
#include "tst_managedwindows.moc"
