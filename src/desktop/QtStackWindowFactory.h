#pragma once

#include "desktop/StackWindowEnvironment.h"
#include "engine/StackWindowFactory.h"

// Makes the real stack windows, each working with the environment given here.
class QtStackWindowFactory : public StackWindowFactory
{
public:
    explicit QtStackWindowFactory(const StackWindowEnvironment& environment);

    std::unique_ptr<StackWindowPort> createWindow(const QUuid& stackID,
                                                  std::unique_ptr<StackWindowHost> host) override;

private:
    StackWindowEnvironment m_environment;
};
