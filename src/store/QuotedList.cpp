#include "store/QuotedList.h"

QString quotedList(const QStringList& names)
{
    QStringList quoted;
    quoted.reserve(names.size());
    for (const QString& name : names)
        quoted.append(QChar(0x201C) + name + QChar(0x201D));
    return quoted.join(QStringLiteral(", "));
}
