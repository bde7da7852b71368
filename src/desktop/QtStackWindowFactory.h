#pragma once

#include "engine/StackWindowFactory.h"

class DesktopPlatform;

// Makes the real stack windows for the manager. Each window works with the manager's scheduler,
// screens, file system and alerts, and with the desktop platform given here (none: no window
// hints, no clicks from elsewhere, as in offscreen tests).
class QtStackWindowFactory : public StackWindowFactory
{
public:
    explicit QtStackWindowFactory(DesktopPlatform* platform = nullptr);

    std::unique_ptr<StackWindowPort> createWindow(const QUuid& stackID,
                                                  StackManager& manager) override;

private:
    DesktopPlatform* m_platform;
};
