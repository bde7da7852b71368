#pragma once

#include "platform/linux/DesktopBackend.h"

// pcmanfm (LXDE) and pcmanfm-qt (LXQt): the positions of the icons the user has moved, from
// ~/.config/<program>/<profile>/desktop-items-0.conf; other icons flow in sort order and have
// no position. Both programs take positions only when they start, so setting them would mean
// restarting the user's desktop, which Tidora never does: place and announce do nothing.
// - pcmanfm: [name] x= y= is the top left of the item cell, which is max(100, icon) + 12 wide;
//   the icon image is centred across it, 6 below its top (libfm's big_icon_size, 48).
// - pcmanfm-qt: [name] pos=@Point(x y) is the top left of the grid cell, 101 wide with the
//   default font; the icon image is centred across it, the cell margin (1) below its top
//   (DesktopIconSize, 48).
class PcmanfmBackend : public DesktopBackend
{
public:
    enum class Flavour { gtk, qt };

    PcmanfmBackend(Flavour flavour, QString configRoot, QString profile);

    QString name() const override;
    BridgeResult<PositionMap> allPositions() override;
    BridgeResult<void> place(const QList<NamedPosition>&) override { return {}; }

    // Icon centres from the stored top-left points.
    static QPointF gtkCentre(QPoint stored, int iconSize);
    static QPointF qtCentre(QPoint stored, int iconSize, int cellMargin);
    QString itemsFile() const;

private:
    PositionMap gtkPositions() const;
    PositionMap qtPositions() const;

    Flavour m_flavour;
    QString m_configRoot;
    QString m_profile;
};
