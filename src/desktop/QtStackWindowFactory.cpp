#include "desktop/QtStackWindowFactory.h"

#include "desktop/StackWindow.h"
#include "engine/ManagerWindowHost.h"
#include "engine/StackManager.h"

QtStackWindowFactory::QtStackWindowFactory(DesktopPlatform* platform)
    : m_platform(platform)
{}

std::unique_ptr<StackWindowPort> QtStackWindowFactory::createWindow(const QUuid& stackID,
                                                                    StackManager& manager)
{
    const Services& services = manager.services();
    const StackWindowEnvironment environment{services.scheduler, services.screens,
                                             services.fileSystem, services.alerts, m_platform};
    return std::make_unique<StackWindow>(stackID, std::make_unique<ManagerWindowHost>(manager),
                                         environment);
}
