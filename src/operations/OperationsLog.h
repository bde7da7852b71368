#pragma once

#include <QLoggingCategory>

// The stack operations' log lines ("Tidorama: could not …"), switched with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcOperations)
