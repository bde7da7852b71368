#pragma once

#include "platform/DesktopPlatform.h"
#include "platform/Wording.h"

// The texts of the Linux build for a desktop platform with these features. Without the pointer
// events (a Wayland session) they say that Shift-drag and the Desktop marquee are off, and why,
// and offer neither.
Wording linuxWording(DesktopPlatform::Features features = DesktopPlatform::allFeatures());
