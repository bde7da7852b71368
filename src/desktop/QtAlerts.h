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

    // For a program on its way out: the open alerts close as if no button had been pressed,
    // and every later one answers so at once, without showing.
    void closeAll();

private:
    bool m_closed = false;
};
