#include "app/ManagerCommands.h"

#include "engine/StackManager.h"
#include "platform/Alerts.h"

ManagerCommands::ManagerCommands(StackManager& manager, Alerts& alerts,
                                 std::function<void()> showAbout,
                                 std::function<void()> rightClickMenu, std::function<void()> quit)
    : m_manager(&manager)
    , m_alerts(alerts)
    , m_showAbout(std::move(showAbout))
    , m_rightClickMenu(std::move(rightClickMenu))
    , m_quit(std::move(quit))
{}

void ManagerCommands::startWork(StackManager& manager, void (StackManager::*work)(WorkToken))
{
    const QPointer<StackManager> weak(&manager);
    manager.runAsWork([weak, work](WorkToken token) {
        if (weak)
            (weak->*work)(std::move(token));
    });
}

void ManagerCommands::stackSelection(StackManager& manager)
{
    startWork(manager, &StackManager::stackSelection);
}

void ManagerCommands::stackSelectedFiles()
{
    if (m_manager)
        stackSelection(*m_manager);
}

void ManagerCommands::autoStackByType()
{
    if (m_manager)
        startWork(*m_manager, &StackManager::autoStackByType);
}

void ManagerCommands::spreadAllStacks()
{
    if (!m_manager)
        return;
    // Files that could not move, of every stack, are told in one alert.
    m_manager->reports().hold();
    for (const QUuid& id : stacksIn(StackState::collapsed)) {
        if (m_manager)
            m_manager->spread(id, false);
    }
    if (m_manager)
        m_manager->reports().release();
}

void ManagerCommands::stackAllAgain()
{
    if (!m_manager)
        return;
    // As a click on a spread stack's window does: files dragged clearly away stay out.
    m_manager->reports().hold();
    for (const QUuid& id : stacksIn(StackState::expanded)) {
        if (m_manager)
            m_manager->restack(id, true);
    }
    if (m_manager)
        m_manager->reports().release();
}

QList<QUuid> ManagerCommands::stacksIn(StackState state) const
{
    QList<QUuid> ids;
    if (!m_manager)
        return ids;
    for (const DesktopStack& stack : m_manager->stacks()) {
        if (stack.state == state)
            ids.append(stack.id);
    }
    return ids;
}

void ManagerCommands::convertAllStacks()
{
    if (m_manager)
        m_manager->convertAll();
}

void ManagerCommands::undoConvert()
{
    if (m_manager)
        m_manager->undoLastConversion();
}

void ManagerCommands::dissolveAllStacks()
{
    if (m_manager)
        m_manager->dissolveAll();
}

StorageLocation ManagerCommands::currentStorageLocation() const
{
    return m_manager ? m_manager->folders().currentStorageLocation() : StorageLocation::documents;
}

void ManagerCommands::changeStorageLocation(StorageLocation location)
{
    if (m_manager)
        m_manager->changeStorageLocation(location);
}

void ManagerCommands::fileManagerMenu()
{
    m_rightClickMenu();
}

void ManagerCommands::showHelp()
{
    if (m_manager)
        m_manager->showHelp();
}

void ManagerCommands::showAbout()
{
    m_showAbout();
}

void ManagerCommands::uninstall()
{
    if (m_manager)
        m_manager->uninstall();
}

void ManagerCommands::quit()
{
    m_quit();
}

void ManagerCommands::notAvailableYet(const QString& item, const QString& what)
{
    Alert alert;
    alert.style = Alert::Style::Informational;
    alert.message = item;
    alert.informativeText = what + QStringLiteral(" isn't available in this version yet.");
    alert.buttons = {QStringLiteral("OK")};
    m_alerts.bringToFront();
    m_alerts.run(alert);
}
