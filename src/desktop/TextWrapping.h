#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// Breaks `text` into lines no wider than `width` pixels in `font`: at spaces where it can, and
// inside words too long for a line (a long file name in an error must not run out of its
// dialog). Existing line breaks stay; spaces at the end of a broken line go.
QString wrapText(const QString& text, const QFont& font, int width);

// `text` with its line breaks and tabs turned into spaces: names shown on one line.
QString oneLine(const QString& text);

// `text` on at most `maxLines` lines of `width` pixels: broken as wrapText breaks it, and when
// it does not fit, the last line is cut in the middle so that the end (a file's extension)
// still shows. Line breaks and tabs in the text count as spaces.
QStringList elideMiddleLines(const QString& text, const QFont& font, int width, int maxLines);
