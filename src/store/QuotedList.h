#pragma once

#include <QString>
#include <QStringList>

// Names as messages list them: each between “ and ”, joined by ", " (no "and" before the last).
QString quotedList(const QStringList& names);
