#include "app/StacksApp.h"

#include "app/AboutDialog.h"
#include "app/AppLog.h"
#include "app/Autostart.h"
#include "app/TrayIcon.h"
#include "app/TrayMenu.h"
#include "engine/StackManager.h"
#include "operations/UndoState.h"
#include "platform/DesktopPlatform.h"
#include "platform/linux/filemanagers/RightClickMenu.h"

#include <QApplication>

StacksApp::StacksApp(std::unique_ptr<DesktopPlatform> platform, QString version, QObject* parent)
    : QObject(parent)
    , m_platform(std::move(platform))
    , m_version(std::move(version))
    , m_services(*m_platform)
    , m_delegate(m_services, *m_platform)
    , m_rightClickActions(FileManagerActions::userPlaces(),
                          QCoreApplication::applicationDirPath() + QStringLiteral("/tidora-finder"))
    , m_commands(
          m_delegate.manager(), m_services.alerts, [this] { showAbout(); },
          [this] { RightClickMenu::choose(m_services.alerts, m_rightClickActions); },
          [] { QCoreApplication::quit(); })
{
    // The two settings the menu binds ("ShakeToStackEnabled", "storageLocation") are read
    // where they are used, afresh each time, so there is nothing to load here.
    Autostart(m_services.paths.configRoot(), QCoreApplication::applicationFilePath())
        .registerAtLaunch();
}

StacksApp::~StacksApp()
{
    delete m_about;
    // The icon draws through the manager's UndoState; it goes first.
    m_tray.reset();
    m_menu.reset();
}

void StacksApp::launch(const QStringList& urls)
{
    m_delegate.willFinishLaunching();
    // Asked to go while the launch step showed an alert: no icon, no hot key, no URL.
    if (m_quitting)
        return;
    UndoState& state = m_delegate.manager().undoState();
    m_menu = std::make_unique<TrayMenu>(m_commands, state, m_services.settings, m_services.wording);
    m_tray = std::make_unique<TrayIcon>(state, m_menu.get());
    m_tray->show();
    m_delegate.didFinishLaunching(m_menu.get());
    if (!urls.isEmpty())
        m_delegate.openUrls(urls);
}

void StacksApp::quitWhenSafe()
{
    if (m_quitRequested)
        return;
    m_quitRequested = true;
    m_services.alerts.closeAll();
    UndoState& state = m_delegate.manager().undoState();
    if (!state.isWorking())
        return quitNow();
    connect(&state, &UndoState::isWorkingChanged, this, [this](bool working) {
        if (!working)
            quitNow();
    });
}

void StacksApp::quitNow()
{
    if (m_quitting)
        return;
    m_quitting = true;
    if (m_tray)
        m_tray->hide();
    // exit(), not quit(): quit() does nothing before the main loop runs and may be refused by
    // a window; exit() also ends every nested loop (a modal alert's).
    QCoreApplication::exit(0);
}

void StacksApp::showAbout()
{
    if (!m_about)
        m_about = new AboutDialog(m_version);
    m_about->present();
}
