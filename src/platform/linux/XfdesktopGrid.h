#pragma once

#include <QPointF>
#include <QRect>

// The grid of cells xfdesktop lays its icons out in, worked out as xfdesktop 4.18 does
// (xfdesktop_setup_grids): square cells of 1.9 × the icon size + 2 × 6 padding, as many as fit
// in the work area less an 8-pixel margin all round, the rest shared out as spacing. An icon's
// image is centred across its cell and sits 6 pixels below the cell's top. The spacing and
// padding are those of the default GTK theme.
class XfdesktopGrid
{
public:
    struct Cell
    {
        int row = 0;
        int column = 0;

        friend bool operator==(const Cell&, const Cell&) = default;
    };

    XfdesktopGrid(QRect workArea, int iconSize);

    bool isValid() const { return m_rows > 0 && m_columns > 0; }
    int rows() const { return m_rows; }
    int columns() const { return m_columns; }

    // The centre of the icon image in a cell.
    QPointF centreOf(Cell cell) const;
    // The cell whose icon centre is nearest, within the grid.
    Cell cellFor(QPointF centre) const;

private:
    int m_iconSize;
    double m_cellSize;
    int m_originX = 0;
    int m_originY = 0;
    int m_rows = 0;
    int m_columns = 0;
    int m_marginX = 0;
    int m_marginY = 0;
    int m_spacingX = 1;
    int m_spacingY = 1;
};
