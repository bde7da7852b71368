#pragma once

#include <QList>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QStringList>

class TidoraProcess;
class TrayHost;

// A user's hands on the running program: its tray menu, a stack window's context menu and its
// alerts, all from xdotool. Each step waits for what it acts on to be shown; a step that missed
// answers false, so the caller can try again rather than take it for the program's fault.
class DesktopDriver
{
public:
    DesktopDriver(TrayHost& tray, TidoraProcess*& app);

    // Chooses a tray menu item; `subItem` >= 0 picks that entry of the item's submenu.
    // False when the menu did not show or does not offer the item enabled.
    bool chooseInTrayMenu(const QString& item, int subItem = -1);
    // Where the stack windows are shown.
    QList<QRect> stackWindows() const;
    // Chooses the last entry of the context menu of the stack window centred there.
    bool chooseLastInWindowMenu(QPointF centre);
    // Waits up to `timeoutMs` for an alert and presses keys in it; false when none showed or
    // it stayed.
    bool answerAlert(const QStringList& keys, int timeoutMs);
    // Closes whatever alerts are shown with their default answer; how many there were.
    int dismissAlerts();

private:
    bool xdotool(const QStringList& arguments) const;
    bool waitForNewWindow(const QStringList& before) const;

    TrayHost& m_tray;
    TidoraProcess*& m_app;
};
