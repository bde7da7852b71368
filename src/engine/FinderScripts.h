#pragma once

#include "engine/NamedPosition.h"

#include <QList>
#include <QString>
#include <QStringList>

// The AppleScript texts sent to Finder and the parsing of what they return. Plain text work,
// built and tested on every platform.
namespace FinderScripts {

// One line of a reply: a path or a name, then the two coordinates.
struct ReplyRow
{
    QString text;
    double x = 0;
    double y = 0;

    friend bool operator==(const ReplyRow&, const ReplyRow&) = default;
};

// Every Desktop item with its icon position.
QString allItems();
// Finder's selection with icon positions.
QString selection();
// The icon positions of the named Desktop items (a non-empty list).
QString positions(const QStringList& names);
// Sets the icon positions of the named Desktop items (a non-empty list), each command in its
// own try block.
QString setPositions(const QList<NamedPosition>& positions);

// A name as an AppleScript string literal: backslashes doubled, then double quotes escaped,
// wrapped in double quotes.
QString quoted(const QString& name);
// A coordinate as the setting script writes it: the whole number, truncated toward zero.
QString wholeNumber(double value);

// The rows of a reply: lines ended by line feeds, each three tab-separated fields whose second
// and third are decimal numbers. Every other line is skipped.
QList<ReplyRow> parseReply(const QString& reply);

} // namespace FinderScripts
