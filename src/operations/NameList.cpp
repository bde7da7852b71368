#include "operations/NameList.h"

QString quotedNames(const QStringList& names)
{
    QStringList quoted;
    quoted.reserve(names.size());
    for (const QString& name : names)
        quoted.append(QChar(u'\u201C') + name + QChar(u'\u201D'));
    return quoted.join(QStringLiteral(", "));
}
