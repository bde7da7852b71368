#pragma once

#include <QUuid>

#include <memory>

class StackWindowHost;
class StackWindowPort;

// Makes the window of one stack, which answers the user through `host`; the window owns it.
class StackWindowFactory
{
public:
    virtual ~StackWindowFactory() = default;

    virtual std::unique_ptr<StackWindowPort>
    createWindow(const QUuid& stackID, std::unique_ptr<StackWindowHost> host) = 0;
};
