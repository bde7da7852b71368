#include "engine/FinderScripts.h"

#include <cmath>

namespace FinderScripts {
namespace {

const QLatin1Char lineFeed('\n');

// The reading scripts differ only in what they repeat over.
QString readingScript(const QString& repeatLine)
{
    return QStringList{
        QStringLiteral("set out to \"\""),
        QStringLiteral("tell application \"Finder\""),
        repeatLine,
        QStringLiteral("        try"),
        QStringLiteral("            set p to desktop position of f"),
        QStringLiteral("            set out to out & (POSIX path of (f as alias)) & tab & "
                       "(item 1 of p) & tab & (item 2 of p) & linefeed"),
        QStringLiteral("        end try"),
        QStringLiteral("    end repeat"),
        QStringLiteral("end tell"),
        QStringLiteral("return out"),
    }
        .join(lineFeed);
}

// The whole field as a decimal number; anything left over, or nothing at all, fails.
bool parseNumber(const QString& field, double* value)
{
    if (field.isEmpty() || field.front().isSpace() || field.back().isSpace())
        return false;
    bool ok = false;
    *value = field.toDouble(&ok);
    // A coordinate that is not finite would poison every sum made with it.
    return ok && std::isfinite(*value);
}

} // namespace

QString allItems()
{
    return readingScript(QStringLiteral("    repeat with f in (get every item of desktop)"));
}

QString selection()
{
    return readingScript(QStringLiteral("    repeat with f in (get selection)"));
}

QString positions(const QStringList& names)
{
    QStringList list;
    list.reserve(names.size());
    for (const QString& name : names)
        list.append(quoted(name));
    return QStringList{
        QStringLiteral("set out to \"\""),
        QStringLiteral("tell application \"Finder\""),
        QStringLiteral("    repeat with n in {") + list.join(QStringLiteral(", ")) +
            QLatin1Char('}'),
        QStringLiteral("        set nm to n as text"),
        QStringLiteral("        try"),
        QStringLiteral("            set p to desktop position of item nm of desktop"),
        QStringLiteral("            set out to out & nm & tab & (item 1 of p) & tab & "
                       "(item 2 of p) & linefeed"),
        QStringLiteral("        end try"),
        QStringLiteral("    end repeat"),
        QStringLiteral("end tell"),
        QStringLiteral("return out"),
    }
        .join(lineFeed);
}

QString setPositions(const QList<NamedPosition>& positions)
{
    QStringList blocks;
    blocks.reserve(positions.size());
    for (const NamedPosition& entry : positions) {
        blocks.append(QStringLiteral("try\n    set desktop position of item ") +
                      quoted(entry.name) + QStringLiteral(" of desktop to {") +
                      wholeNumber(entry.position.x()) + QStringLiteral(", ") +
                      wholeNumber(entry.position.y()) + QStringLiteral("}\nend try"));
    }
    return QStringLiteral("tell application \"Finder\"\n") + blocks.join(lineFeed) +
           QStringLiteral("\nend tell");
}

QString quoted(const QString& name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString wholeNumber(double value)
{
    return QString::number(static_cast<qint64>(std::trunc(value)));
}

QList<ReplyRow> parseReply(const QString& reply)
{
    QList<ReplyRow> rows;
    const QStringList lines = reply.split(lineFeed, Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'), Qt::KeepEmptyParts);
        ReplyRow row;
        if (fields.size() == 3 && parseNumber(fields[1], &row.x) &&
            parseNumber(fields[2], &row.y)) {
            row.text = fields[0];
            rows.append(row);
        }
    }
    return rows;
}

} // namespace FinderScripts
