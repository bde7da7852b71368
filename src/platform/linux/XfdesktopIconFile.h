#pragma once

#include "platform/linux/XfdesktopGrid.h"

#include <QByteArray>
#include <QHash>
#include <QList>

// The text of xfdesktop's icon position file (~/.config/xfce4/desktop/icons.screen0-W×H.rc):
// groups named by the file's absolute path (or "Trash", "/", …) with "row=" and "col=". Edits
// change only the row and col lines of the groups they touch, or add a group at the end; every
// other byte stays as it was.
class XfdesktopIconFile
{
public:
    explicit XfdesktopIconFile(QByteArray text = QByteArray());

    // Every group with a whole row and column.
    QHash<QByteArray, XfdesktopGrid::Cell> cells() const;
    void setCell(const QByteArray& group, XfdesktopGrid::Cell cell);
    const QByteArray& text() const { return m_text; }

    // Whether a group of this name can be written and read back whole: the file's format has no
    // way to quote brackets, line breaks or surrounding blanks.
    static bool canName(const QByteArray& group);

private:
    struct Line
    {
        qsizetype start;
        qsizetype end;
    };
    QList<Line> lines() const;

    QByteArray m_text;
};
