#include "platform/linux/PlasmaGrid.h"

#include <algorithm>
#include <cmath>

namespace {

// One cell size plus an equal share of what is left over (the view's calcExtraSpacing).
int spread(int minimum, int length)
{
    minimum = std::max(1, minimum);
    const int count = length / minimum;
    return count > 0 ? minimum + (length - count * minimum) / count : minimum;
}

} // namespace

int PlasmaGrid::iconPixels() const
{
    // smallMedium, medium, large, huge, large × 2, enormous, enormous × 2.
    static constexpr int sizes[] = {22, 32, 48, 64, 96, 128, 256};
    return sizes[std::clamp(iconSize, 0, int(std::size(sizes)) - 1)];
}

int PlasmaGrid::cellWidth() const
{
    const int smallSpacing = std::max(2, gridUnit / 4);
    const int forIcon = iconPixels() + 2 * gridUnit + 2 * smallSpacing;
    const int forLabel = 16 * (std::clamp(labelWidth, 0, 2) * 2 + 4);
    return spread(std::max(forIcon, forLabel), area.width());
}

int PlasmaGrid::cellHeight() const
{
    const int smallSpacing = std::max(2, gridUnit / 4);
    return spread(iconPixels() + gridUnit * std::max(0, textLines) + 4 * smallSpacing,
                  area.height());
}

int PlasmaGrid::perStripe() const
{
    return std::max(1, columnsFirst ? area.height() / cellHeight() : area.width() / cellWidth());
}

QPointF PlasmaGrid::centreOf(Cell cell) const
{
    const int column = columnsFirst ? cell.stripe : cell.pos;
    const int row = columnsFirst ? cell.pos : cell.stripe;
    const int smallSpacing = std::max(2, gridUnit / 4);
    const double x = rightAligned ? area.x() + area.width() - (column + 0.5) * cellWidth()
                                  : area.x() + (column + 0.5) * cellWidth();
    return {x, area.y() + row * cellHeight() + 2 * smallSpacing + iconPixels() / 2.0};
}

PlasmaGrid::Cell PlasmaGrid::cellAt(QPointF centre) const
{
    const double across =
        rightAligned ? area.x() + area.width() - centre.x() : centre.x() - area.x();
    const int columns = std::max(1, area.width() / cellWidth());
    const int rows = std::max(1, area.height() / cellHeight());
    const int column = std::clamp(int(std::floor(across / cellWidth())), 0, columns - 1);
    const int row =
        std::clamp(int(std::floor((centre.y() - area.y()) / cellHeight())), 0, rows - 1);
    return columnsFirst ? Cell{column, row} : Cell{row, column};
}
