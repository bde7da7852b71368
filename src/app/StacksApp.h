#pragma once

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/ManagerCommands.h"
#include "platform/linux/filemanagers/FileManagerActions.h"

#include <QObject>
#include <QPointer>

#include <memory>

class AboutDialog;
class DesktopPlatform;
class TrayIcon;
class TrayMenu;

// The application: its services, its delegate and its only scene, the tray icon with its
// menu. Made once the QApplication exists and this copy is the one that runs.
class StacksApp : public QObject
{
    Q_OBJECT

public:
    StacksApp(std::unique_ptr<DesktopPlatform> platform, QString version,
              QObject* parent = nullptr);
    ~StacksApp() override;

    // Brings the stacks back, shows the tray icon, installs the hot key, the gesture, the
    // marquee and the menu tracking, and then handles the URLs this copy was started with.
    void launch(const QStringList& urls);

    // A newer copy takes over, or the program is told to end. Open alerts close unanswered and no
    // new one shows; work under way runs to its end (every file it moved recorded and saved); then
    // the event loop ends, nested ones included. Before the main loop runs, quitting() tells main
    // not to start it.
    void quitWhenSafe();
    bool quitting() const { return m_quitting; }

    AppDelegate& delegate() { return m_delegate; }
    AppServices& services() { return m_services; }
    TrayMenu& menu() { return *m_menu; }

private:
    void showAbout();
    void quitNow();

    std::unique_ptr<DesktopPlatform> m_platform;
    QString m_version;
    AppServices m_services;
    AppDelegate m_delegate;
    // "File Manager Right-Click Menu…": the actions run the tidora-finder next to this program.
    FileManagerActions m_rightClickActions;
    ManagerCommands m_commands;
    std::unique_ptr<TrayMenu> m_menu;
    std::unique_ptr<TrayIcon> m_tray;
    QPointer<AboutDialog> m_about;
    bool m_quitRequested = false;
    bool m_quitting = false;
};
