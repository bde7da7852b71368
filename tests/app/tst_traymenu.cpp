#include "MemorySettings.h"
#include "VirtualScheduler.h"
#include "app/Keycap.h"
#include "app/MenuCommands.h"
#include "app/MenuTracking.h"
#include "app/TrayIcon.h"
#include "app/TrayMenu.h"
#include "operations/UndoState.h"
#include "platform/linux/LinuxWording.h"
#include "platform/macos/MacosWording.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidgetAction>

namespace {

// Records the commands chosen.
class RecordingCommands : public MenuCommands
{
public:
    void stackSelectedFiles() override { called.append(QStringLiteral("stackSelectedFiles")); }
    void autoStackByType() override { called.append(QStringLiteral("autoStackByType")); }
    void spreadAllStacks() override { called.append(QStringLiteral("spreadAllStacks")); }
    void stackAllAgain() override { called.append(QStringLiteral("stackAllAgain")); }
    void convertAllStacks() override { called.append(QStringLiteral("convertAllStacks")); }
    void undoConvert() override { called.append(QStringLiteral("undoConvert")); }
    void dissolveAllStacks() override { called.append(QStringLiteral("dissolveAllStacks")); }
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

// The texts of the menu's items as shown (mnemonic marks taken out), from top to bottom;
// separators as "-", submenus as "title >".
QStringList layout(const QMenu& menu)
{
    QStringList texts;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator())
            texts.append(QStringLiteral("-"));
        else if (action->menu())
            texts.append(action->text() + QStringLiteral(" >"));
        else
            texts.append(action->iconText());
    }
    return texts;
}

} // namespace

class TestTrayMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsEveryItemInOrder();
    void enablementFollowsTheFlags();
    void workingDisablesTheCommandsOnly();
    void itemsReachTheirCommands();
    void storagePickerAsksForTheMove();
    void shiftDragToggleIsTheSetting();
    void shortcutsShowThePlatformsKeys();
    void trayIconSaysWhenItWorks();
    void openingAMenuIsTrackedOnce();

private:
    VirtualScheduler m_scheduler;
    MemorySettings m_settings;
    Wording m_wording = linuxWording();
};

void TestTrayMenu::listsEveryItemInOrder()
{
    RecordingCommands commands;
    UndoState state(m_scheduler);
    TrayMenu menu(commands, state, m_settings, m_wording);
    const QStringList expected{QStringLiteral("Stack Selected Files"),
                               QStringLiteral("-"),
                               QStringLiteral("Auto-Stack by Type"),
                               QStringLiteral("Spread All Stacks"),
                               QStringLiteral("Stack All Again"),
                               QStringLiteral("Convert All Stacks into Folders\u2026"),
                               QStringLiteral("Undo Convert into Folders"),
                               QStringLiteral("Dissolve All Stacks\u2026"),
                               QStringLiteral("-"),
                               QStringLiteral("Keep Stacked Files In >"),
                               QStringLiteral("Hold Shift While Dragging to Stack"),
                               QStringLiteral("File Manager Right-Click Menu\u2026"),
                               QStringLiteral("-"),
                               QStringLiteral("Shortcuts >"),
                               QStringLiteral("-"),
                               QStringLiteral("Help & Recovering Files\u2026"),
                               QStringLiteral("About Tidora"),
                               QStringLiteral("Uninstall Tidora\u2026"),
                               QStringLiteral("Quit Tidora")};
    QCOMPARE(layout(menu), expected);
    QCOMPARE(layout(*menu.storageMenu()),
             QStringList({QStringLiteral("Hidden Folder in Documents"),
                          QStringLiteral("Folder on the Desktop (for cloud sync)")}));
    QCOMPARE(menu.actions().last()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    // The help item keeps its question mark on a desktop without an icon theme.
    QVERIFY(!menu.actions()[15]->icon().isNull());
}

void TestTrayMenu::enablementFollowsTheFlags()
{
    RecordingCommands commands;
    UndoState state(m_scheduler);
    TrayMenu menu(commands, state, m_settings, m_wording);

    // No stacks: 4–8 off, 3 on, 1 follows the selection.
    QVERIFY(!menu.stackSelectedAction()->isEnabled());
    QVERIFY(menu.autoStackAction()->isEnabled());
    for (QAction* action :
         {menu.spreadAllAction(), menu.stackAllAgainAction(), menu.convertAllAction(),
          menu.undoConvertAction(), menu.dissolveAllAction()})
        QVERIFY2(!action->isEnabled(), qPrintable(action->text()));
    state.setHasSelection(true);
    QVERIFY(menu.stackSelectedAction()->isEnabled());

    // Each flag enables its items, and only those.
    state.setHasStacks(true);
    QVERIFY(menu.convertAllAction()->isEnabled());
    QVERIFY(menu.dissolveAllAction()->isEnabled());
    QVERIFY(!menu.spreadAllAction()->isEnabled());
    QVERIFY(!menu.stackAllAgainAction()->isEnabled());
    state.setHasStacked(true);
    QVERIFY(menu.spreadAllAction()->isEnabled());
    QVERIFY(!menu.stackAllAgainAction()->isEnabled());
    state.setHasSpread(true);
    QVERIFY(menu.stackAllAgainAction()->isEnabled());
    QVERIFY(!menu.undoConvertAction()->isEnabled());
    // After converting, undo stays available until an undo runs.
    state.setAvailable(true);
    QVERIFY(menu.undoConvertAction()->isEnabled());
    state.setAvailable(false);
    QVERIFY(!menu.undoConvertAction()->isEnabled());
    // Opening the menu clears the selection flag until the desktop answers.
    state.setHasSelection(false);
    QVERIFY(!menu.stackSelectedAction()->isEnabled());
}

void TestTrayMenu::workingDisablesTheCommandsOnly()
{
    RecordingCommands commands;
    UndoState state(m_scheduler);
    TrayMenu menu(commands, state, m_settings, m_wording);
    state.setHasSelection(true);
    state.setHasStacks(true);
    state.setHasStacked(true);
    state.setHasSpread(true);
    state.setAvailable(true);

    state.setIsWorking(true);
    const QList<QAction*> commandsOff{menu.stackSelectedAction(), menu.autoStackAction(),
                                      menu.spreadAllAction(),     menu.stackAllAgainAction(),
                                      menu.convertAllAction(),    menu.undoConvertAction(),
                                      menu.dissolveAllAction()};
    for (QAction* action : commandsOff)
        QVERIFY2(!action->isEnabled(), qPrintable(action->text()));
    // The picker, the toggle and everything below stay usable.
    QVERIFY(menu.storageMenu()->menuAction()->isEnabled());
    for (QAction* action : menu.storageMenu()->actions())
        QVERIFY(action->isEnabled());
    const QList<QAction*> all = menu.actions();
    for (qsizetype i = all.indexOf(menu.storageMenu()->menuAction()); i < all.size(); ++i)
        QVERIFY2(all[i]->isEnabled(), qPrintable(all[i]->text()));

    state.setIsWorking(false);
    for (QAction* action : commandsOff)
        QVERIFY2(action->isEnabled(), qPrintable(action->text()));
}

void TestTrayMenu::itemsReachTheirCommands()
{
    RecordingCommands commands;
    UndoState state(m_scheduler);
    state.setHasSelection(true);
    state.setHasStacks(true);
    state.setHasStacked(true);
    state.setHasSpread(true);
    state.setAvailable(true);
    TrayMenu menu(commands, state, m_settings, m_wording);
    for (QAction* action : menu.actions()) {
        if (!action->isSeparator() && !action->menu() && !action->isCheckable())
            action->trigger();
    }
    QCOMPARE(commands.called,
             QStringList({QStringLiteral("stackSelectedFiles"), QStringLiteral("autoStackByType"),
                          QStringLiteral("spreadAllStacks"), QStringLiteral("stackAllAgain"),
                          QStringLiteral("convertAllStacks"), QStringLiteral("undoConvert"),
                          QStringLiteral("dissolveAllStacks"), QStringLiteral("fileManagerMenu"),
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
    QVERIFY(!entries[1]->isChecked());

    // A move that does not happen (cancelled) leaves the check where it was.
    commands.moveSucceeds = false;
    entries[1]->trigger();
    QCOMPARE(commands.called.last(), QStringLiteral("changeStorageLocation desktop"));
    QVERIFY(entries[0]->isChecked());
    QVERIFY(!entries[1]->isChecked());

    commands.moveSucceeds = true;
    entries[1]->trigger();
    QVERIFY(!entries[0]->isChecked());
    QVERIFY(entries[1]->isChecked());
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
    // On by default.
    QVERIFY(menu.shiftDragAction()->isChecked());
    menu.shiftDragAction()->trigger();
    QCOMPARE(settings.value(SettingsKey::shakeToStackEnabled), QVariant(false));
    menu.shiftDragAction()->trigger();
    QCOMPARE(settings.value(SettingsKey::shakeToStackEnabled), QVariant(true));
    settings.setValue(SettingsKey::shakeToStackEnabled, false);
    Q_EMIT menu.aboutToShow();
    QVERIFY(!menu.shiftDragAction()->isChecked());
    // Showing the stored value writes nothing back.
    settings.remove(SettingsKey::shakeToStackEnabled);
    Q_EMIT menu.aboutToShow();
    QVERIFY(menu.shiftDragAction()->isChecked());
    QVERIFY(!settings.value(SettingsKey::shakeToStackEnabled).isValid());
}

void TestTrayMenu::shortcutsShowThePlatformsKeys()
{
    const QList<Keycap::Shortcut> linux = Keycap::table(linuxWording());
    QCOMPARE(linux.size(), 3);
    QCOMPARE(linux[0].keys,
             QStringList({QStringLiteral("Ctrl"), QStringLiteral("Alt"), QStringLiteral("S")}));
    QCOMPARE(linux[0].gesture, std::nullopt);
    QCOMPARE(linux[0].action, QStringLiteral("Stack Selected Files"));
    QCOMPARE(linux[1].keys, QStringList({QStringLiteral("Shift")}));
    QCOMPARE(linux[1].gesture, std::optional(QStringLiteral("+ Drag")));
    QCOMPARE(linux[1].action, QStringLiteral("Stack Files"));
    QCOMPARE(linux[2].keys, QStringList({QStringLiteral("Alt")}));
    QCOMPARE(linux[2].gesture, std::optional(QStringLiteral("+ Click")));
    QCOMPARE(linux[2].action, QStringLiteral("View Thumbnails"));
    const QList<Keycap::Shortcut> mac = Keycap::table(macosWording());
    QCOMPARE(mac[0].keys, QStringList({QStringLiteral("\u2303 control"),
                                       QStringLiteral("\u2325 option"), QStringLiteral("S")}));
    QCOMPARE(mac[1].keys, QStringList({QStringLiteral("\u21e7 shift")}));
    QCOMPARE(mac[2].keys, QStringList({QStringLiteral("\u2325 option")}));

    RecordingCommands commands;
    UndoState state(m_scheduler);
    TrayMenu menu(commands, state, m_settings, m_wording);
    QMenu* shortcuts = menu.actions()[13]->menu();
    QCOMPARE(shortcuts->actions().size(), 3);
    for (QAction* row : shortcuts->actions()) {
        auto* widgetAction = qobject_cast<QWidgetAction*>(row);
        QVERIFY(widgetAction && widgetAction->defaultWidget());
        QVERIFY(widgetAction->defaultWidget()->sizeHint().width() > 200);
    }
    QCOMPARE(shortcuts->actions()[1]->text(), QStringLiteral("Shift + Drag \u2013 Stack Files"));
}

void TestTrayMenu::trayIconSaysWhenItWorks()
{
    RecordingCommands commands;
    UndoState state(m_scheduler);
    TrayMenu menu(commands, state, m_settings, m_wording);
    TrayIcon tray(state, &menu);
    QCOMPARE(tray.toolTip(), QStringLiteral("Tidora"));
    const QImage idle = tray.icon().icon().pixmap(18).toImage();
    state.setIsWorking(true);
    QCOMPARE(tray.toolTip(), QStringLiteral("Working"));
    const QImage frame0 = tray.icon().icon().pixmap(18).toImage();
    QVERIFY(frame0 != idle);
    // The spinner turns on the scheduler's clock.
    m_scheduler.advance(std::chrono::milliseconds(84));
    QVERIFY(tray.icon().icon().pixmap(18).toImage() != frame0);
    state.setIsWorking(false);
    QCOMPARE(tray.toolTip(), QStringLiteral("Tidora"));
    QCOMPARE(tray.icon().icon().pixmap(18).toImage(), idle);
}

void TestTrayMenu::openingAMenuIsTrackedOnce()
{
    int began = 0;
    MenuTracking tracking([&began] { ++began; });
    tracking.install();
    QMenu tray;
    tracking.watch(&tray);
    QMenu context;
    QMenu* submenu = context.addMenu(QStringLiteral("More"));
    submenu->addAction(QStringLiteral("Inside"));
    context.addAction(QStringLiteral("Item"));

    // The tray menu by its own signal (a tray host may draw it itself), once.
    Q_EMIT tray.aboutToShow();
    QCOMPARE(began, 1);
    tray.addAction(QStringLiteral("Item"));
    tray.popup(QPoint(10, 10));
    QTRY_VERIFY(tray.isVisible());
    QCOMPARE(began, 2);
    tray.close();

    // Any other menu, such as a stack window's, when it shows; its submenus do not count.
    context.popup(QPoint(100, 100));
    QTRY_VERIFY(context.isVisible());
    QCOMPARE(began, 3);
    submenu->popup(QPoint(200, 100));
    QTRY_VERIFY(submenu->isVisible());
    QCOMPARE(began, 3);
    submenu->close();
    context.close();
}

QTEST_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
