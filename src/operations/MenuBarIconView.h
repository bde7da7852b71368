#pragma once

// Draws the tray icon. The core keeps the icon's state (idle or working, which frame); the
// drawing needs the GUI library and lives with the desktop presentation.
class MenuBarIconView
{
public:
    virtual ~MenuBarIconView() = default;

    // The idle symbol: stacked squares.
    virtual void showIdle() = 0;
    // Working frame 0 … MenuBarIcon::frameCount − 1.
    virtual void showWorkingFrame(int frame) = 0;
};
