#include "platform/linux/XfdesktopGrid.h"

#include <QtGlobal>

#include <cmath>

namespace {

constexpr int minMargin = 8;
constexpr int cellPadding = 6;
constexpr double textWidthProportion = 1.9;

} // namespace

XfdesktopGrid::XfdesktopGrid(QRect workArea, int iconSize)
    : m_iconSize(iconSize)
    , m_cellSize(textWidthProportion * iconSize + cellPadding * 2)
{
    if (workArea.isEmpty() || iconSize <= 0)
        return;
    // The same integer steps xfdesktop takes, truncations included.
    m_originX = workArea.x() + minMargin;
    m_originY = workArea.y() + minMargin;
    const int width = workArea.width() - 2 * minMargin;
    const int height = workArea.height() - 2 * minMargin;
    m_rows = std::max(int((height - minMargin * 2) / m_cellSize), 0);
    m_columns = std::max(int((width - minMargin * 2) / m_cellSize), 0);
    const int restX = int(width - m_columns * m_cellSize);
    const int restY = int(height - m_rows * m_cellSize);
    m_spacingX = m_columns > 1 ? (restX - minMargin * 2) / (m_columns - 1) : 1;
    m_spacingY = m_rows > 1 ? (restY - minMargin * 2) / (m_rows - 1) : 1;
    m_marginX = (restX - (m_columns - 1) * m_spacingX) / 2;
    m_marginY = (restY - (m_rows - 1) * m_spacingY) / 2;
}

QPointF XfdesktopGrid::centreOf(Cell cell) const
{
    const int x = int(m_originX + m_marginX + cell.column * m_cellSize + cell.column * m_spacingX);
    const int y = int(m_originY + m_marginY + cell.row * m_cellSize + cell.row * m_spacingY);
    return QPointF(x + m_cellSize / 2, y + cellPadding + m_iconSize / 2.0);
}

XfdesktopGrid::Cell XfdesktopGrid::cellFor(QPointF centre) const
{
    const double column =
        (centre.x() - m_originX - m_marginX - m_cellSize / 2) / (m_cellSize + m_spacingX);
    const double row = (centre.y() - m_originY - m_marginY - cellPadding - m_iconSize / 2.0) /
                       (m_cellSize + m_spacingY);
    return Cell{std::clamp(int(std::lround(row)), 0, std::max(m_rows - 1, 0)),
                std::clamp(int(std::lround(column)), 0, std::max(m_columns - 1, 0))};
}
