#pragma once

#include <QFont>
#include <QString>

// Breaks `text` into lines no wider than `width` pixels in `font`: at spaces where it can, and
// inside words too long for a line (a long file name in an error must not run out of its
// dialog). Existing line breaks stay; spaces at the end of a broken line go.
QString wrapText(const QString& text, const QFont& font, int width);
