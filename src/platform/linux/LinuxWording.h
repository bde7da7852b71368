#pragma once

#include "platform/Wording.h"

// The texts of the Linux build.
Wording linuxWording();
