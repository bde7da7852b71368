#pragma once

#include <QObject>

// Control+Alt+S through KDE's global shortcut service (kglobalaccel: KWin serves it in a
// Wayland session, kglobalaccel5 under X11). It is how a program gets a key for the whole
// desktop where it may not grab the keyboard itself; under KDE it is used on X11 too, so that
// the key has one owner whatever the session. KDE keeps a registration after the program has
// gone and goes on taking the key for it, so it is removed when Tidora quits and on uninstall.
class KdeGlobalShortcut : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~KdeGlobalShortcut() override;

    // Whether this is a KDE session whose shortcut service is on the bus.
    static bool isAvailable();
    // Registers the action with Control+Alt+S; pressed() follows on every press of the key
    // bound to it. False when the service refused it or gave the key to another action.
    bool registerShortcut();
    // Removes the action from KDE's list, whoever registered it.
    static void unregister();

Q_SIGNALS:
    void pressed();

private Q_SLOTS:
    void onPressed(const QString& component, const QString& action, qlonglong timestamp);

private:
    bool m_registered = false;
};
