#pragma once

#include <QLoggingCategory>
#include <QString>

// The stack store's log lines ("Tidorama: could not …"), switched with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcStore)

// "Tidorama: could not <verb> <path>: <reason>", the line of a single step that failed.
void logCouldNot(const char* verb, const QString& path, const QString& reason);
// The line for entries of `folder` that have no name we can use (not valid UTF-8): they stay
// where they are. Nothing when there are none.
void logUnnamed(const char* verb, const QString& folder, int count);
