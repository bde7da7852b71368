#pragma once

#include "platform/Wording.h"

// The texts of the macOS build, word for word as the program has always had them.
Wording macosWording();
