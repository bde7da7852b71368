#pragma once

#include "platform/linux/DesktopBackend.h"
#include "platform/linux/PlasmaGrid.h"

#include <QJsonArray>
#include <QUrl>

#include <optional>

class FileSystem;

// KDE Plasma's desktop (Folder View in plasmashell). Each Desktop containment keeps a
// "positions" list per screen resolution: the URL of every icon with its grid cell. Plasma
// reads that list only while the user arranges the icons by hand (sort mode "none"); sorted,
// positions are unknown and Tidora never turns the sorting off. The list is read and written
// through plasmashell's own scripting call, never in its configuration file, which it neither
// re-reads nor leaves alone. A write replaces the whole list, so each is done inside one script,
// where no drag of the user can come in between.
//
// Plasma drops an entry for a file that is not there yet and puts a new icon in the first free
// cell, so nothing is told in advance: placing waits until Plasma lists the arrivals, then
// moves them. An icon whose cell another holds goes to the first free one, as Plasma decides;
// Tidora never moves the user's other icons away. There is no way to read the selection.
class PlasmaBackend : public DesktopBackend
{
public:
    PlasmaBackend(FileSystem& fileSystem, QString desktopFolder);

    QString name() const override { return QStringLiteral("plasma"); }
    BridgeResult<PositionMap> allPositions() override;
    BridgeResult<void> place(const QList<NamedPosition>& positions) override;

    // One Desktop containment (a screen) as the read script reports it.
    struct Containment
    {
        int id = 0;
        QRect screen;
        PlasmaGrid grid;
        QUrl base; // the folder the list's URLs are in: "desktop:/", or the Desktop's file URL
        QJsonArray list; // rows, perStripe, then url, stripe, pos for each icon
    };
    // The containments that show the Desktop folder with icons arranged by hand, parsed from
    // the read script's output; nothing when it is not what that script prints.
    static std::optional<QList<Containment>> parseState(const QByteArray& output,
                                                        const QString& desktopFolder);
    // The icon centres of one containment's list, by file name. A cell named twice, or beyond
    // the stripe, shows its icon wherever Plasma finds room: those are left out.
    static PositionMap positionsIn(const Containment& containment);

private:
    BridgeResult<QList<Containment>> readState() const;

    FileSystem& m_fileSystem;
    QString m_desktop;
};
