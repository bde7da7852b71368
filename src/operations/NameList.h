#pragma once

#include <QStringList>

// Names as messages list them: each between “ and ”, joined by ", ".
QString quotedNames(const QStringList& names);
