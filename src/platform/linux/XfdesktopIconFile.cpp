#include "platform/linux/XfdesktopIconFile.h"

#include <optional>

namespace {

// "[name]" → name; nothing for any other line.
std::optional<QByteArray> groupOf(const QByteArray& line)
{
    if (line.size() >= 2 && line.startsWith('[') && line.endsWith(']'))
        return line.mid(1, line.size() - 2);
    return std::nullopt;
}

std::optional<int> valueOf(const QByteArray& line, const QByteArray& key)
{
    if (!line.startsWith(QByteArray(key + '=')))
        return std::nullopt;
    bool ok = false;
    const int value = line.mid(key.size() + 1).toInt(&ok);
    return ok && value >= 0 ? std::optional(value) : std::nullopt;
}

} // namespace

XfdesktopIconFile::XfdesktopIconFile(QByteArray text)
    : m_text(std::move(text))
{}

QList<XfdesktopIconFile::Line> XfdesktopIconFile::lines() const
{
    QList<Line> found;
    qsizetype start = 0;
    while (start < m_text.size()) {
        qsizetype end = m_text.indexOf('\n', start);
        if (end < 0)
            end = m_text.size();
        found.append(Line{start, end});
        start = end + 1;
    }
    return found;
}

QHash<QByteArray, XfdesktopGrid::Cell> XfdesktopIconFile::cells() const
{
    QHash<QByteArray, XfdesktopGrid::Cell> cells;
    std::optional<QByteArray> group;
    // -1 until the group's line is read (values are never negative); an int rather than an
    // optional keeps GCC's optimiser from seeing a use before assignment that cannot happen.
    int row = -1;
    int column = -1;
    const auto finish = [&] {
        if (group && row >= 0 && column >= 0)
            cells.insert(*group, XfdesktopGrid::Cell{row, column});
    };
    for (const Line& line : lines()) {
        const QByteArray text = m_text.mid(line.start, line.end - line.start);
        if (const std::optional<QByteArray> next = groupOf(text)) {
            finish();
            group = next;
            row = -1;
            column = -1;
        } else if (const auto value = valueOf(text, "row")) {
            row = *value;
        } else if (const auto value = valueOf(text, "col")) {
            column = *value;
        }
    }
    finish();
    return cells;
}

void XfdesktopIconFile::setCell(const QByteArray& group, XfdesktopGrid::Cell cell)
{
    const QByteArray row = "row=" + QByteArray::number(cell.row);
    const QByteArray column = "col=" + QByteArray::number(cell.column);
    // Within the group: replace its row and col lines, or add them after its header.
    const QList<Line> all = lines();
    std::optional<qsizetype> header;
    QList<Line> owned;
    for (const Line& line : all) {
        const QByteArray text = m_text.mid(line.start, line.end - line.start);
        if (const std::optional<QByteArray> name = groupOf(text)) {
            if (header)
                break;
            if (*name == group)
                header = line.end;
        } else if (header && (text.startsWith("row=") || text.startsWith("col="))) {
            owned.append(line);
        }
    }
    if (!header) {
        if (!m_text.isEmpty() && !m_text.endsWith('\n'))
            m_text += '\n';
        m_text += "\n[" + group + "]\n" + row + '\n' + column + '\n';
        return;
    }
    // From the end, so the earlier offsets stay right.
    for (auto line = owned.crbegin(); line != owned.crend(); ++line) {
        const qsizetype end = line->end < m_text.size() ? line->end + 1 : line->end;
        m_text.remove(line->start, end - line->start);
    }
    m_text.insert(*header, '\n' + row + '\n' + column);
}

bool XfdesktopIconFile::canName(const QByteArray& group)
{
    return !group.isEmpty() && !group.contains('[') && !group.contains(']') &&
           !group.contains('\n') && !group.contains('\r') && !group.contains('\0') &&
           group.trimmed() == group;
}
