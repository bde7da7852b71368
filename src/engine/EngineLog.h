#pragma once

#include <QLoggingCategory>

// The stacking engine's log lines ("Tidorama: could not …"), switched with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
