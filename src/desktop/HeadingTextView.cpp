#include "desktop/HeadingTextView.h"

#include <QTextCursor>
#include <QTextFrame>

#include <algorithm>

HeadingTextView::HeadingTextView(const QString& text, QWidget* parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setTabChangesFocus(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedSize(viewWidth, viewHeight);

    // The text sits 6 pixels in from the sides and 8 from the top and bottom.
    QTextFrameFormat inset = document()->rootFrame()->frameFormat();
    inset.setLeftMargin(6);
    inset.setRightMargin(6);
    inset.setTopMargin(8);
    inset.setBottomMargin(8);
    document()->rootFrame()->setFrameFormat(inset);

    // The system font at the size the user chose for it: on a usual 96-dpi desktop that is
    // the 12 pixels a 12-point font has on a 72-dpi Mac screen.
    QTextCharFormat plain;
    plain.setFont(font());
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);

    QTextCursor cursor(document());
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            cursor.insertBlock();
        cursor.insertText(lines.at(i), isHeading(lines.at(i)) ? bold : plain);
    }
    moveCursor(QTextCursor::Start);
}

bool HeadingTextView::isHeading(const QString& line)
{
    return line.size() >= 4 && line == line.toUpper() &&
           std::any_of(line.cbegin(), line.cend(), [](QChar c) { return c.isLetter(); });
}
