#include "MemorySettings.h"
#include "VirtualScheduler.h"
#include "app/Keycap.h"
#include "app/MenuCommands.h"
#include "app/MenuTracking.h"
#include "app/TrayIcon.h"
#include "app/TrayMenu.h"
#include "operations/UndoState.h"
#include "platform/linux/LinuxWording.h"
#include "store/HelpText.h"

#include <QApplication>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Records the commands chosen.
class RecordingCommands : public MenuCommands
{
public:
    void stackSelectedFiles() override { called.append(QStringLiteral("stackSelected")); }
    void autoStackByType() override { called.append(QStringLiteral("autoStack")); }
    void spreadAllStacks() override { called.append(QStringLiteral("spreadAll")); }
    void stackAllAgain() override { called.append(QStringLiteral("stackAllAgain")); }
    void convertAllStacks() override { called.append(QStringLiteral("convertAll")); }
    void undoConvert() override { called.append(QStringLiteral("undoConvert")); }
    void dissolveAllStacks() override { called.append(QStringLiteral("dissolveAll")); }
    StorageLocation currentStorageLocation() const override { return location; }
    void changeStorageLocation(StorageLocation to) override
    {
        called.append(QStringLiteral("changeStorageLocation ") + rawValue(to));
        if (moveSucceeds)
            location = to;
    }
    void fileManagerMenu() override { called.append(QStringLiteral("fileManagerMenu")); }
    void showHelp() override { called.append(QStringLiteral("showHelp")); }
    void showAbout() override { called.append(QStringLiteral("showAbout")); }
    void uninstall() override { called.append(QStringLiteral("uninstall")); }
    void quit() override { called.append(QStringLiteral("quit")); }

    QStringList called;
    StorageLocation location = StorageLocation::documents;
    bool moveSucceeds = true;
};

enum Flag { selection = 1, stacks = 2, stacked = 4, spread = 8, undo = 16, working = 32 };

void setFlags(UndoState& state, int flags)
{
    state.setHasSelection(flags & selection);
    state.setHasStacks(flags & stacks);
    state.setHasStacked(flags & stacked);
    state.setHasSpread(flags & spread);
    state.setAvailable(flags & undo);
    state.setIsWorking(flags & working);
}

} // namespace

class TestTrayMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void enablementFollowsTheFlags_data();
    void enablementFollowsTheFlags();
    void storagePickerAsksForTheMove();
    void shiftDragToggleIsTheSetting();
    void gesturesThatCantWorkAreSaidToBeOff_data();
    void gesturesThatCantWorkAreSaidToBeOff();
    void trayIconSpinsWhileWorking();
    void openingAMenuIsTrackedOnce();

private:
    VirtualScheduler m_scheduler;
    MemorySettings m_settings;
    Wording m_wording = linuxWording();
};

void TestTrayMenu::enablementFollowsTheFlags_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("enabled");
    const QStringList all{QStringLiteral("stackSelected"), QStringLiteral("autoStack"),
                          QStringLiteral("spreadAll"),     QStringLiteral("stackAllAgain"),
                          QStringLiteral("convertAll"),    QStringLiteral("undoConvert"),
                          QStringLiteral("dissolveAll")};
    QTest::newRow("nothing") << 0 << QStringList{all[1]};
    QTest::newRow("selection") << int(selection) << QStringList{all[0], all[1]};
    QTest::newRow("stacks") << int(stacks) << QStringList{all[1], all[4], all[6]};
    QTest::newRow("stacked") << int(stacks | stacked)
                             << QStringList{all[1], all[2], all[4], all[6]};
    QTest::newRow("spread") << int(stacks | spread) << QStringList{all[1], all[3], all[4], all[6]};
    QTest::newRow("undo") << int(undo) << QStringList{all[1], all[5]};
    QTest::newRow("everything") << int(selection | stacks | stacked | spread | undo) << all;
    QTest::newRow("working") << int(selection | stacks | stacked | spread | undo | working)
                             << QStringList();
}

void TestTrayMenu::enablementFollowsTheFlags()
{
    QFETCH(int, flags);
    QFETCH(QStringList, enabled);
    RecordingCommands commands;
    UndoState state(m_scheduler);
    TrayMenu menu(commands, state, m_settings, m_wording);
    // From a state with every command on, so that each item must follow the change.
    setFlags(state, selection | stacks | stacked | spread | undo);
    setFlags(state, flags);
    const QList<QAction*> actions{menu.stackSelectedAction(), menu.autoStackAction(),
                                  menu.spreadAllAction(),     menu.stackAllAgainAction(),
                                  menu.convertAllAction(),    menu.undoConvertAction(),
                                  menu.dissolveAllAction()};
    QStringList on;
    for (QAction* action : actions) {
        if (action->isEnabled()) {
            action->trigger();
            on.append(commands.called.takeLast());
        }
    }
    QCOMPARE(on, enabled);
    // Work disables the commands only: the picker, the toggle and everything below stay usable
    // and reach their commands.
    const QList<QAction*> items = menu.actions();
    for (qsizetype i = items.indexOf(menu.storageMenu()->menuAction()); i < items.size(); ++i) {
        QVERIFY2(items[i]->isEnabled(), qPrintable(items[i]->text()));
        if (!items[i]->isSeparator() && !items[i]->menu() && !items[i]->isCheckable())
            items[i]->trigger();
    }
    QCOMPARE(commands.called, (QStringList{QStringLiteral("fileManagerMenu"),
                                           QStringLiteral("showHelp"), QStringLiteral("showAbout"),
                                           QStringLiteral("uninstall"), QStringLiteral("quit")}));
}

void TestTrayMenu::storagePickerAsksForTheMove()
{
    RecordingCommands commands;
    UndoState state(m_scheduler);
    TrayMenu menu(commands, state, m_settings, m_wording);
    const QList<QAction*> entries = menu.storageMenu()->actions();
    QVERIFY(entries[0]->isChecked());

    // A move that does not happen (cancelled) leaves the check where it was.
    commands.moveSucceeds = false;
    entries[1]->trigger();
    QCOMPARE(commands.called.last(), QStringLiteral("changeStorageLocation desktop"));
    QVERIFY(entries[0]->isChecked() && !entries[1]->isChecked());
    commands.moveSucceeds = true;
    entries[1]->trigger();
    QVERIFY(!entries[0]->isChecked() && entries[1]->isChecked());
    // The picker writes no setting itself.
    QVERIFY(!m_settings.value(SettingsKey::storageLocation).isValid());
    // A location changed elsewhere shows when the menu opens.
    commands.location = StorageLocation::documents;
    Q_EMIT menu.aboutToShow();
    QVERIFY(entries[0]->isChecked());
}

void TestTrayMenu::shiftDragToggleIsTheSetting()
{
    MemorySettings settings;
    RecordingCommands commands;
    UndoState state(m_scheduler);
    TrayMenu menu(commands, state, settings, m_wording);
    QVERIFY(menu.shiftDragAction()->isChecked());
    menu.shiftDragAction()->trigger();
    QCOMPARE(settings.value(SettingsKey::shakeToStackEnabled), QVariant(false));
    settings.setValue(SettingsKey::shakeToStackEnabled, true);
    Q_EMIT menu.aboutToShow();
    QVERIFY(menu.shiftDragAction()->isChecked());
    // Showing the default writes nothing back.
    settings.remove(SettingsKey::shakeToStackEnabled);
    Q_EMIT menu.aboutToShow();
    QVERIFY(menu.shiftDragAction()->isChecked());
    QVERIFY(!settings.value(SettingsKey::shakeToStackEnabled).isValid());
}

void TestTrayMenu::gesturesThatCantWorkAreSaidToBeOff_data()
{
    using Feature = DesktopPlatform::Feature;
    QTest::addColumn<int>("features");
    QTest::addColumn<bool>("off");
    QTest::newRow("X11") << int(DesktopPlatform::allFeatures()) << false;
    QTest::newRow("XWayland") << int(Feature::HotKey | Feature::WindowHints) << true;
    QTest::newRow("no pointer events")
        << int(DesktopPlatform::allFeatures() & ~DesktopPlatform::Features(Feature::PointerEvents))
        << true;
    QTest::newRow("no platform") << 0 << true;
}

void TestTrayMenu::gesturesThatCantWorkAreSaidToBeOff()
{
    QFETCH(int, features);
    QFETCH(bool, off);
    const Wording wording = linuxWording(DesktopPlatform::Features::fromInt(features));
    MemorySettings settings;
    settings.setValue(SettingsKey::shakeToStackEnabled, true);
    RecordingCommands commands;
    UndoState state(m_scheduler);
    TrayMenu menu(commands, state, settings, wording);
    Q_EMIT menu.aboutToShow();
    // The switch, the shortcut table and the help say it; the setting stays as it was.
    const QAction* toggle = menu.shiftDragAction();
    QCOMPARE(toggle->isEnabled(), !off);
    QCOMPARE(toggle->isChecked(), !off);
    QCOMPARE(toggle->text().contains(u"Wayland"_s), off);
    QCOMPARE(settings.value(SettingsKey::shakeToStackEnabled), QVariant(true));
    QCOMPARE(Keycap::table(wording)[1].action.contains(u"Wayland"_s), off);
    const QString help = helpText(wording, HelpPlaces{});
    QCOMPARE(help.contains(u"WAYLAND"_s), off);
    // Where it is off, the help offers other ways only.
    QCOMPARE(wording.helpGreyedOut.contains(u"Shift-drag"_s), !off);
}

void TestTrayMenu::trayIconSpinsWhileWorking()
{
    RecordingCommands commands;
    UndoState state(m_scheduler);
    TrayMenu menu(commands, state, m_settings, m_wording);
    TrayIcon tray(state, &menu);
    const QImage idle = tray.image();
    state.setIsWorking(true);
    QCOMPARE(tray.toolTip(), QStringLiteral("Working"));
    const QImage frame0 = tray.image();
    QVERIFY(frame0 != idle);
    // The spinner turns on the scheduler's clock.
    m_scheduler.advance(std::chrono::milliseconds(84));
    QVERIFY(tray.image() != frame0);
    state.setIsWorking(false);
    QCOMPARE(tray.toolTip(), QStringLiteral("Tidora"));
    QCOMPARE(tray.image(), idle);
}

void TestTrayMenu::openingAMenuIsTrackedOnce()
{
    int began = 0;
    MenuTracking tracking([&began] { ++began; });
    tracking.install();
    QMenu tray;
    tracking.watch(&tray);
    tray.addAction(QStringLiteral("Item"));
    QMenu context;
    QMenu* submenu = context.addMenu(QStringLiteral("More"));
    submenu->addAction(QStringLiteral("Inside"));

    // The tray menu by its own signal (a tray host may draw it itself), once.
    Q_EMIT tray.aboutToShow();
    QCOMPARE(began, 1);
    tray.popup(QPoint(10, 10));
    QTRY_VERIFY(tray.isVisible());
    QCOMPARE(began, 2);
    tray.close();
    // Any other menu, such as a stack window's, when it shows; its submenus do not count.
    context.popup(QPoint(100, 100));
    QTRY_VERIFY(context.isVisible());
    submenu->popup(QPoint(200, 100));
    QTRY_VERIFY(submenu->isVisible());
    QCOMPARE(began, 3);
    submenu->close();
    context.close();
}

QTEST_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
