#pragma once

#include "platform/Screens.h"

// Screens of fixed geometry. The default is one 1280 × 800 screen with a 24-point panel at the
// top, in the lower-left-origin coordinates of the Screens port.
class FixedScreens : public Screens
{
public:
    FixedScreens()
        : m_screens{{QRectF(0, 0, 1280, 800), QRectF(0, 0, 1280, 776)}}
    {}
    explicit FixedScreens(QList<ScreenGeometry> screens)
        : m_screens(std::move(screens))
    {}

    QList<ScreenGeometry> screens() const override { return m_screens; }
    void setScreens(QList<ScreenGeometry> screens) { m_screens = std::move(screens); }

private:
    QList<ScreenGeometry> m_screens;
};
