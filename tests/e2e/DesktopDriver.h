#pragma once

#include <QList>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class TidoraProcess;
class TrayHost;

// A user's hands on the running program: its tray menu, a stack window's context menu and its
// alerts, all from xdotool. Each step waits for what it acts on to be shown and to take the
// keys; a step that missed answers false, so the caller can try again rather than take it for
// the program's fault.
class DesktopDriver
{
public:
    DesktopDriver(TrayHost& tray, const std::unique_ptr<TidoraProcess>& app);

    // Opens the tray menu and waits until it holds the keyboard; the offset in the program's
    // output from which it logged the menu, or -1 when the menu did not open (it was closed
    // again).
    qsizetype openTrayMenu();
    // Chooses a tray menu item; `subItem` >= 0 picks that entry of the item's submenu.
    // False when the menu did not show or does not offer the item enabled.
    bool chooseInTrayMenu(const QString& item, int subItem = -1);
    // Where the stack windows are shown.
    QList<QRect> stackWindows() const;
    // Opens the context menu of the program's window there and waits until it holds the
    // keyboard.
    bool openWindowMenu(QPointF point);
    // Waits until a stack window is shown at `place`: the program shows a window before it
    // has put it there, and may move it there in steps.
    bool waitForStackWindowAt(QRect place);
    // Double-clicks the stack window once it is shown at `place`, until `spreading` holds.
    bool spreadByDoubleClick(QRect place, const std::function<bool()>& spreading);
    // Chooses the last entry of the context menu of the stack window centred there.
    bool chooseLastInWindowMenu(QPointF centre);
    // Activates the window and presses the keys once it has the focus.
    bool pressKeysIn(const QString& window, const QStringList& keys);
    // Waits up to `timeoutMs` for an alert and presses keys in it; false when none showed or
    // it stayed.
    bool answerAlert(const QStringList& keys, int timeoutMs);
    // Closes whatever alerts are shown with their default answer; how many there were.
    int dismissAlerts();
    // Sweeps a marquee from bare Desktop at `from` to `to` and waits until the program logs
    // the selection `selected`; the button is let go and Caja's rubber band gone either way.
    bool marquee(QPointF from, QPointF to, const QString& selected);
    // Clicks bare Desktop and waits until the program has seen the selection cleared.
    bool clickDesktop(QPointF at = QPointF(1000, 650));
    // Presses Escape in an open menu and waits until it let the keyboard go.
    bool closeMenu();

private:
    bool waitForMenu(const QStringList& before);

    TrayHost& m_tray;
    const std::unique_ptr<TidoraProcess>& m_app;
};
