#include "platform/linux/DingGrid.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int spacing = 2;

struct Size
{
    const char* name;
    int width;
    int height;
    int image;
};

// The cell a size asks for and its image's side, as the program defines them.
Size sizeOf(const QString& name)
{
    static constexpr Size sizes[] = {{"tiny", 70, 80, 36},
                                     {"small", 90, 90, 48},
                                     {"standard", 120, 106, 64},
                                     {"large", 130, 138, 96}};
    for (const Size& size : sizes) {
        if (name == QLatin1String(size.name))
            return size;
    }
    return sizes[2];
}

} // namespace

int DingGrid::columns() const
{
    return std::max(1, area.width() / (sizeOf(iconSize).width + 4 * spacing));
}

int DingGrid::rows() const
{
    return std::max(1, area.height() / (sizeOf(iconSize).height + 4 * spacing));
}

DingGrid::Cell DingGrid::cellAt(QPointF point) const
{
    const int cellWidth = std::max(1, area.width() / columns());
    const int cellHeight = std::max(1, area.height() / rows());
    const auto index = [](qreal offset, int step, int count) {
        return std::clamp(int(std::floor(offset / step)), 0, count - 1);
    };
    return {index(point.x() - area.x(), cellWidth, columns()),
            index(point.y() - area.y(), cellHeight, rows())};
}

QPoint DingGrid::storedPointOf(Cell cell) const
{
    // Cells start at whole fractions of the area, not at multiples of the cell size.
    return {area.x() + int(qint64(area.width()) * cell.column / columns()) + spacing,
            area.y() + int(qint64(area.height()) * cell.row / rows()) + spacing};
}

QPointF DingGrid::centreOf(QPoint stored) const
{
    const QPoint cell = storedPointOf(cellAt(stored));
    const int cellWidth = std::max(1, area.width() / columns());
    const Size size = sizeOf(iconSize);
    return {cell.x() + (cellWidth - 2 * spacing) / 2.0, cell.y() + 2 * spacing + size.image / 2.0};
}

QPoint DingGrid::storedFor(QPointF centre) const
{
    return storedPointOf(cellAt(centre));
}
