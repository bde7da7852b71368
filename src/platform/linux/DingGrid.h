#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>

// The grid GNOME's desktop icons lay their icons on, for one monitor. Every icon sits in a cell;
// the position it stores is the cell's top left + 2 (its spacing), in global screen pixels. A
// stored point anywhere in a cell shows the icon in that cell.
struct DingGrid
{
    // The monitor's area less the margins its panels take, in global screen pixels.
    QRect area;
    // "tiny", "small", "standard" or "large", as its setting icon-size says.
    QString iconSize;

    int columns() const;
    int rows() const;
    // The icon image's centre for a stored point.
    QPointF centreOf(QPoint stored) const;
    // The point to store for an icon whose centre should be at `centre`: that of the cell
    // holding it (the nearest cell, for a centre off the grid).
    QPoint storedFor(QPointF centre) const;

private:
    struct Cell
    {
        int column;
        int row;
    };
    Cell cellAt(QPointF point) const;
    QPoint storedPointOf(Cell cell) const;
};
