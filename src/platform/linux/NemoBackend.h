#pragma once

#include "platform/linux/MetadataIconBackend.h"

// Nemo (Cinnamon), whose Desktop is drawn by nemo-desktop. It stores the top left of the icon
// image in screen pixels (not scaled by the zoom level, unlike Caja), so the centre is the
// stored point + half the icon size: 48 at the standard level, else as the Desktop's zoom level
// in ~/.config/nemo/desktop-metadata says. Nemo snaps every icon to its grid: an icon set at a
// point lands in the cell holding that point (or the next free one). With "auto-arrange" on
// (nemo-icon-view-auto-layout, the default of a fresh account) it ignores stored points, so
// nothing is set then.
class NemoBackend : public MetadataIconBackend
{
public:
    NemoBackend(FileSystem& fileSystem, QString desktopFolder, const GvfsMetadata& metadata,
                const QString& configRoot);

    static QPointF centreOf(QPoint stored, int iconSize);
    static QPoint storedFor(QPointF centre, int iconSize);
    // The icon size of a Desktop zoom level as Nemo numbers them (3 = standard).
    static int iconSizeOfLevel(int level);

protected:
    bool takesPositions() const override;
    QPointF centreOf(QPoint stored) const override { return centreOf(stored, iconSize()); }
    QPoint storedFor(QPointF centre) const override { return storedFor(centre, iconSize()); }

private:
    int iconSize() const;
    QString m_settingsFile;
};
