#include "app/ManagerCommands.h"

#include "engine/AutoStacker.h"
#include "engine/MoveReports.h"
#include "engine/Spreader.h"
#include "engine/StackManager.h"
#include "engine/Stacker.h"
#include "engine/StorageChange.h"
#include "operations/ConversionUndo.h"
#include "operations/Dissolver.h"
#include "operations/FolderConversion.h"
#include "operations/Uninstaller.h"
#include "platform/Alerts.h"
#include "store/StorageFolders.h"

ManagerCommands::ManagerCommands(StackManager& manager, Alerts& alerts,
                                 std::function<void()> showAbout,
                                 std::function<void()> rightClickMenu, std::function<void()> quit)
    : m_manager(&manager)
    , m_operations(manager.operations())
    , m_alerts(alerts)
    , m_showAbout(std::move(showAbout))
    , m_rightClickMenu(std::move(rightClickMenu))
    , m_quit(std::move(quit))
{}

void ManagerCommands::stackSelection(StackManager& manager, SelectionSource source)
{
    const QPointer<StackManager> weak(&manager);
    Stacker& stacker = manager.operations().stacker;
    manager.runAsWork([weak, &stacker, source](WorkToken token) {
        if (weak)
            stacker.stackSelection(std::move(token), source);
    });
}

void ManagerCommands::stackSelectedFiles()
{
    if (m_manager)
        stackSelection(*m_manager);
}

void ManagerCommands::autoStackByType()
{
    if (!m_manager)
        return;
    const QPointer<StackManager> weak = m_manager;
    AutoStacker& autoStacker = m_operations.autoStacker;
    m_manager->runAsWork([weak, &autoStacker](const WorkToken& token) {
        if (weak)
            autoStacker.autoStackByType(token);
    });
}

void ManagerCommands::spreadAllStacks()
{
    if (!m_manager)
        return;
    // Files that could not move, of every stack, are told in one alert.
    m_operations.reports.hold();
    for (const QUuid& id : stacksIn(StackState::collapsed)) {
        if (m_manager)
            m_operations.spreader.spread(id, false);
    }
    if (m_manager)
        m_operations.reports.release();
}

void ManagerCommands::stackAllAgain()
{
    if (!m_manager)
        return;
    // As a click on a spread stack's window does: files dragged clearly away stay out.
    m_operations.reports.hold();
    for (const QUuid& id : stacksIn(StackState::expanded)) {
        if (m_manager)
            m_operations.spreader.restack(id, true);
    }
    if (m_manager)
        m_operations.reports.release();
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
        m_operations.conversion.convertAll();
}

void ManagerCommands::undoConvert()
{
    if (m_manager)
        m_operations.conversionUndo.undoLastConversion();
}

void ManagerCommands::dissolveAllStacks()
{
    if (m_manager)
        m_operations.dissolver.dissolveAll();
}

StorageLocation ManagerCommands::currentStorageLocation() const
{
    return m_manager ? m_operations.folders.currentStorageLocation() : StorageLocation::documents;
}

void ManagerCommands::changeStorageLocation(StorageLocation location)
{
    if (m_manager)
        m_operations.storageChange.changeStorageLocation(location);
}

void ManagerCommands::fileManagerMenu()
{
    m_rightClickMenu();
}

void ManagerCommands::showHelp()
{
    if (m_manager)
        m_operations.storageChange.showHelp();
}

void ManagerCommands::showAbout()
{
    m_showAbout();
}

void ManagerCommands::uninstall()
{
    if (m_manager)
        m_operations.uninstaller.uninstall();
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
