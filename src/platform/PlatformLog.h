#pragma once

#include <QLoggingCategory>

// Log lines of the platform layer ("tidora.platform").
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
