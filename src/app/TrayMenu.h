#pragma once

#include <QMenu>

class MenuCommands;
class Settings;
class UndoState;
struct Wording;

// The tray icon's menu: every whole-Desktop command, the storage place, the Shift-drag switch,
// the shortcuts, help, About, uninstalling and quitting. The commands are enabled from the
// UndoState flags, again on each change; the two settings are read afresh each time the menu
// opens.
class TrayMenu : public QMenu
{
    Q_OBJECT

public:
    TrayMenu(MenuCommands& commands, const UndoState& state, Settings& settings,
             const Wording& wording);

    // The items by their place in the menu, for those that look them up.
    QAction* stackSelectedAction() const { return m_stackSelected; }
    QAction* autoStackAction() const { return m_autoStack; }
    QAction* spreadAllAction() const { return m_spreadAll; }
    QAction* stackAllAgainAction() const { return m_stackAllAgain; }
    QAction* convertAllAction() const { return m_convertAll; }
    QAction* undoConvertAction() const { return m_undoConvert; }
    QAction* dissolveAllAction() const { return m_dissolveAll; }
    QMenu* storageMenu() const { return m_storage; }
    QAction* shiftDragAction() const { return m_shiftDrag; }

    // Enables the commands from the flags (done again on every change of them).
    void refresh();

private:
    QAction* addCommand(const QString& text, void (MenuCommands::*command)());
    void addStoragePicker(const Wording& wording);
    // The checks of the picker and the toggle from the settings (done at every opening).
    void refreshSettings();
    // The debug trace of what the open menu offers: "+item" enabled, "-item" not.
    void traceItems() const;

    MenuCommands& m_commands;
    const UndoState& m_state;
    Settings& m_settings;

    QAction* m_stackSelected;
    QAction* m_autoStack;
    QAction* m_spreadAll;
    QAction* m_stackAllAgain;
    QAction* m_convertAll;
    QAction* m_undoConvert;
    QAction* m_dissolveAll;
    QMenu* m_storage = nullptr;
    QList<QAction*> m_locations;
    QAction* m_shiftDrag = nullptr;
};
