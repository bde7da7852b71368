#pragma once

#include "platform/linux/MetadataIconBackend.h"

// Caja (MATE). It stores the top left of the 48-point icon image in the coordinates of its
// standard zoom level; the Desktop shows everything scaled by the zoom level's icon size ÷ 48
// (setting org.mate.caja.icon-view default-zoom-level). So the icon centre on the screen is
// ((x + 24) · s, (y + 24) · s), measured with the icons' AT-SPI image extents at three levels.
class CajaBackend : public MetadataIconBackend
{
public:
    CajaBackend(FileSystem& fileSystem, QString desktopFolder, const GvfsMetadata& metadata);

    // The conversions at a given icon size (48 at the standard zoom level).
    static QPointF centreOf(QPoint stored, int iconSize);
    static QPoint storedFor(QPointF centre, int iconSize);
    // The icon size of the zoom level Caja's Desktop uses now.
    static int iconSize();

protected:
    QPointF centreOf(QPoint stored) const override { return centreOf(stored, iconSize()); }
    QPoint storedFor(QPointF centre) const override { return storedFor(centre, iconSize()); }
};
