#include "TestServices.h"
#include "engine/AutoStacker.h"
#include "engine/StackManager.h"
#include "operations/UndoState.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

std::optional<DesktopStack> stackNamed(TestServices& t, const QString& name)
{
    for (const DesktopStack& stack : t.manager().stacks()) {
        if (stack.name == name)
            return stack;
    }
    return std::nullopt;
}

// Runs auto-stack as the menu does, as work, to its end.
void autoStack(TestServices& t)
{
    StackManager& manager = t.manager();
    manager.runAsWork([&manager](WorkToken token) { manager.autoStackByType(std::move(token)); });
    t.scheduler.runUntilIdle();
}

} // namespace

class TestAutoStack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void slotsFillColumnsFromTheTopRight();
    void onlyKindsWithTwoLooseFilesAreStacked();
    void aSecondRunJoinsTheStackOfTheKind();
    void nothingToStackBeepsAndFailuresAreShown();
    void cancelledFirstRunMovesNothing();
};

void TestAutoStack::slotsFillColumnsFromTheTopRight()
{
    // (1000 − 20) ÷ 160 = 6.125: six windows a column.
    const QRectF area(0, 0, 1000, 1000);
    QCOMPARE(AutoStacker::rowsPerColumn(area), 6);
    const qreal right = 1000 - 140 - 20 - 30;
    QCOMPARE(AutoStacker::windowSlot(area, 0), QPointF(right, 840));
    QCOMPARE(AutoStacker::windowSlot(area, 5), QPointF(right, 40));
    QCOMPARE(AutoStacker::windowSlot(area, 6), QPointF(right - 150, 840));
    QCOMPARE(AutoStacker::windowSlot(area, 13), QPointF(right - 300, 680));
    // The area need not start at the origin.
    QCOMPARE(AutoStacker::windowSlot(QRectF(1280, 24, 1000, 1000), 1),
             QPointF(1280 + right, 24 + 680));
    // Too low for one row, or no screen at all: still one window a column.
    QCOMPARE(AutoStacker::rowsPerColumn(QRectF(0, 0, 800, 170)), 1);
    QCOMPARE(AutoStacker::rowsPerColumn(QRectF()), 1);
    QCOMPARE(AutoStacker::windowSlot(QRectF(), 2), QPointF(-160 - 300, -160));
}

void TestAutoStack::onlyKindsWithTwoLooseFilesAreStacked()
{
    TestServices t;
    for (const char* name : {"b.png", "a.jpg", "report.pdf", "x.xyz", "y.xyz", "tool.desktop",
                             "run.desktop", ".dot.png", "secret.png", "Screenshot 1.png"})
        t.addDesktopFile(QString::fromUtf8(name));
    // Hidden through the folder's ".hidden" list, as file managers honour it.
    QFile hidden(t.desktopPath(u".hidden"_s));
    QVERIFY(hidden.open(QIODevice::WriteOnly));
    hidden.write("secret.png\n");
    hidden.close();
    QVERIFY(QDir().mkpath(t.desktopPath(u"Photos"_s)));
    t.invariant.addFile(u"Desktop/Photos/in.png"_s);
    t.invariant.addFile(u"Desktop/Photos/in2.png"_s);
    QVERIFY(QDir().mkpath(t.desktopPath(u"Viewer.app"_s)));
    QVERIFY(QDir().mkpath(t.desktopPath(u"Other Viewer.app"_s)));

    autoStack(t);
    QCOMPARE(t.manager().stacks().size(), 1);
    const DesktopStack images = t.manager().stacks().first();
    QCOMPARE(images.name, u"Images"_s);
    QCOMPARE(TestServices::itemNames(images), (QStringList{u"a.jpg"_s, u"b.png"_s}));
    QCOMPARE(images.windowOrigin, AutoStacker::windowSlot(t.screens.firstVisibleFrame(), 0));
    QCOMPARE(t.windows.window(images.id)->frameOrigin(), images.windowOrigin);
    for (const char* stays :
         {"report.pdf", "x.xyz", "y.xyz", "tool.desktop", "run.desktop", ".dot.png", "secret.png",
          "Screenshot 1.png", "Photos/in.png", "Viewer.app"})
        QVERIFY2(QFileInfo::exists(t.desktopPath(QString::fromUtf8(stays))), stays);
    // Asked before anything moves (and once more by the stacking itself, which a confirmed
    // choice answers at once).
    QCOMPARE(t.firstRun.calls, (QList<bool>{true, true}));
    QVERIFY(!t.manager().undoState().isWorking());
    QVERIFY(t.alerts.shown.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAutoStack::aSecondRunJoinsTheStackOfTheKind()
{
    TestServices t;
    for (const char* name : {"Screenshot 1.png", "Screenshot 2.png", "a.pdf", "b.pdf"})
        t.addDesktopFile(QString::fromUtf8(name));
    autoStack(t);
    const DesktopStack screenshots = *stackNamed(t, u"Screenshots"_s);
    const DesktopStack pdfs = *stackNamed(t, u"PDFs"_s);
    // In the order of the kinds: the screenshots take the first slot.
    const QRectF area = t.screens.firstVisibleFrame();
    QCOMPARE(screenshots.windowOrigin, AutoStacker::windowSlot(area, 0));
    QCOMPARE(pdfs.windowOrigin, AutoStacker::windowSlot(area, 1));

    // The PDFs are spread: their files lie on the Desktop again but still belong to the stack.
    t.manager().spread(pdfs.id, false);
    t.scheduler.runUntilIdle();
    for (const char* name : {"Screenshot 3.png", "Screenshot 0.png", "c.mp3", "d.mp3"})
        t.addDesktopFile(QString::fromUtf8(name));
    autoStack(t);
    QCOMPARE(t.manager().stacks().size(), 3);
    QCOMPARE(TestServices::itemNames(*t.record(screenshots.id)),
             (QStringList{u"Screenshot 1.png"_s, u"Screenshot 2.png"_s, u"Screenshot 0.png"_s,
                          u"Screenshot 3.png"_s}));
    QCOMPARE(TestServices::itemNames(*t.record(pdfs.id)), (QStringList{u"a.pdf"_s, u"b.pdf"_s}));
    QVERIFY(QFileInfo::exists(t.desktopPath(u"a.pdf"_s)));
    // Joining an existing stack uses up no slot.
    QCOMPARE(stackNamed(t, u"Audio"_s)->windowOrigin, AutoStacker::windowSlot(area, 0));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAutoStack::nothingToStackBeepsAndFailuresAreShown()
{
    TestServices t;
    t.addDesktopFile(u"one.pdf"_s);
    t.addDesktopFile(u"one.png"_s);
    autoStack(t);
    QCOMPARE(t.alerts.beeps, 1);
    QVERIFY(t.firstRun.calls.isEmpty());

    t.addDesktopFile(u"two.png"_s);
    t.desktop.setMode(FakeDesktop::Mode::unreachable);
    autoStack(t);
    QCOMPARE(t.alerts.messages(), QStringList{FakeDesktop::unreachableError().description()});
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(!t.manager().undoState().isWorking());

    // Storage on another file system: two kinds, nothing moves, one alert that says why (the
    // same words for both kinds are said once).
    t.alerts.shown.clear();
    t.desktop.setMode(FakeDesktop::Mode::running);
    t.addDesktopFile(u"two.pdf"_s);
    t.fs.failWith(EXDEV);
    t.fs.failMoves([](const QString&, const QString&) { return true; });
    autoStack(t);
    QVERIFY(t.manager().stacks().isEmpty());
    QCOMPARE(t.alerts.messages().size(), 1);
    const QString told = t.alerts.messages().first();
    QVERIFY2(told.startsWith(u"2 of 2 files were not stacked."_s), qPrintable(told));
    QVERIFY2(told.contains(u"is on another file system than the Desktop"_s), qPrintable(told));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAutoStack::cancelledFirstRunMovesNothing()
{
    TestServices t;
    for (const char* name : {"a.pdf", "b.pdf", "a.png", "b.png"})
        t.addDesktopFile(QString::fromUtf8(name));
    t.firstRun.confirm = false;
    autoStack(t);
    // Asked once, not once for every kind.
    QCOMPARE(t.firstRun.calls, QList<bool>{true});
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestAutoStack)
#include "tst_autostack.moc"
