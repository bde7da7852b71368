#pragma once

#include <QLoggingCategory>

// Log lines of the Desktop presentation ("tidora.desktop").
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)
