#include "desktop/QtStackWindowFactory.h"

#include "desktop/StackWindow.h"
#include "engine/StackWindowHost.h"

QtStackWindowFactory::QtStackWindowFactory(const StackWindowEnvironment& environment)
    : m_environment(environment)
{}

std::unique_ptr<StackWindowPort>
QtStackWindowFactory::createWindow(const QUuid& stackID, std::unique_ptr<StackWindowHost> host)
{
    return std::make_unique<StackWindow>(stackID, std::move(host), m_environment);
}
