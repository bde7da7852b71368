#pragma once

#include <QPointF>
#include <QRect>

// The grid KDE Plasma's Folder View lays the Desktop's icons on, for one screen, worked out as
// its QML does (Plasma 5.27): the free area (the screen less its panels) is cut into whole
// cells at least big enough for an icon and its label, the rest shared out among them. Icons
// fill "stripes" of `perStripe` cells: rows, or columns when the user arranges them in columns.
// The positions list stores a cell as (stripe, place in the stripe).
struct PlasmaGrid
{
    struct Cell
    {
        int stripe = 0;
        int pos = 0;

        friend bool operator==(const Cell&, const Cell&) = default;
    };

    QRect area;
    // The Folder View settings of the same names: an index into the icon sizes, the label
    // width (narrow, medium, wide), the lines of label text.
    int iconSize = 3;
    int labelWidth = 1;
    int textLines = 2;
    // Plasma's grid unit: the height of an "M" in its font, made even.
    int gridUnit = 18;
    bool columnsFirst = false;
    bool rightAligned = false;

    int cellWidth() const;
    int cellHeight() const;
    // Cells in a stripe, as the view counts them.
    int perStripe() const;
    // The icon image's centre in a cell.
    QPointF centreOf(Cell cell) const;
    // The cell holding an icon centre (the nearest one, for a centre off the grid).
    Cell cellAt(QPointF centre) const;

private:
    int iconPixels() const;
};
