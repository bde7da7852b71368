#pragma once

#include <QUuid>

#include <memory>

class StackManager;
class StackWindowPort;

// Makes the window of one stack. The window holds the manager weakly (a QPointer) and does
// nothing once it is gone.
class StackWindowFactory
{
public:
    virtual ~StackWindowFactory() = default;

    virtual std::unique_ptr<StackWindowPort> createWindow(const QUuid& stackID,
                                                          StackManager& manager) = 0;
};
