#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class MenuBarIconPainter;
class QMenu;
class UndoState;

// The tray icon: MenuBarIcon's image (the spinner while work runs), "Working" or "Tidora" as
// its tooltip, and the menu. The tray may appear after the program starts (or come back after
// the panel restarts); Qt embeds the icon whenever one is there.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    TrayIcon(UndoState& state, QMenu* menu, QObject* parent = nullptr);
    ~TrayIcon() override;

    void show();
    QSystemTrayIcon& icon() { return m_icon; }
    QString toolTip() const { return m_icon.toolTip(); }

private:
    void showWorking(bool working);

    UndoState& m_state;
    QSystemTrayIcon m_icon;
    MenuBarIconPainter* m_painter;
};
