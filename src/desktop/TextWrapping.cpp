#include "desktop/TextWrapping.h"

#include <QFontMetrics>
#include <QStringList>
#include <QTextLayout>

QString wrapText(const QString& text, const QFont& font, int width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        const qsizetype before = lines.size();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            QString part = paragraph.mid(line.textStart(), line.textLength());
            while (!part.isEmpty() && part.back().isSpace())
                part.chop(1);
            lines.append(part);
        }
        layout.endLayout();
        if (lines.size() == before)
            lines.append(QString());
    }
    return lines.join(u'\n');
}

QString oneLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line) {
        if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
    }
    return line;
}

QStringList elideMiddleLines(const QString& text, const QFont& font, int width, int maxLines)
{
    const QString flat = oneLine(text);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextLayout layout(flat, font);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    qsizetype rest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            rest = line.textStart();
            break;
        }
        lines.append(flat.mid(line.textStart(), line.textLength()).trimmed());
        rest = line.textStart() + line.textLength();
    }
    layout.endLayout();
    if (rest < flat.size() && maxLines > 0)
        lines.append(
            QFontMetrics(font).elidedText(flat.mid(rest).trimmed(), Qt::ElideMiddle, width));
    return lines;
}
