#pragma once

#include "platform/Alerts.h"

// Alerts as real modal dialogs. The program has no main window, so every alert raises and
// activates itself on the current workspace.
class QtAlerts : public Alerts
{
public:
    AlertAnswer run(const Alert& alert) override;
    void bringToFront() override;
    void beep() override;
    // Linux desktops have no haptic feedback.
    void haptic(Haptic pattern) override;
};
