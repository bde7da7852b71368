#include "platform/NullDesktopPlatform.h"

// The build without X11 support.
std::unique_ptr<DesktopPlatform> createDesktopPlatform()
{
    NullDesktopPlatform::logAbsence(QStringLiteral("this build has no X11 support"),
                                    DesktopPlatform::allFeatures());
    return std::make_unique<NullDesktopPlatform>();
}
