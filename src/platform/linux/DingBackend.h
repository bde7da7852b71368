#pragma once

#include "platform/linux/DingGrid.h"
#include "platform/linux/MetadataIconBackend.h"

#include <QDeadlineTimer>
#include <QMutex>

#include <functional>
#include <optional>

// GNOME's desktop icons (the Desktop Icons NG extension, a GJS program beside GNOME Shell). It
// keeps each icon's point under GIO metadata "nautilus-icon-position" and shows every icon in
// the cell of its grid that holds the point, so positions are exact to the cell. It shows no
// selection on the accessibility bus. While the user keeps the icons arranged or stacked, it
// sorts them itself and writes over every stored point: positions are unknown then, and nothing
// is set.
class DingBackend : public MetadataIconBackend
{
public:
    // `workArea` stands in for the grid's area when the program does not tell it.
    DingBackend(FileSystem& fileSystem, QString desktopFolder, const GvfsMetadata& metadata,
                std::function<QRect()> workArea);

    // The grid of the primary monitor as the program describes it over D-Bus (its
    // "desktopGeometry" action); nothing when it does not answer.
    static std::optional<QRect> describedArea();

    // A file that arrives on the Desktop loses its stored point and is put in the first free
    // cell, so nothing can be told in advance: placing waits until the program has shown the
    // new arrivals (each has a point again), then sets theirs. Announcing clears the point a
    // file left behind when it was taken off the Desktop: it would count as shown before the
    // program has shown it.
    //
    // A shown icon is moved by setting its point and then touching its file with the times it
    // already has: the change of status makes the program read every point again. Renaming the
    // file off and back races with its pairing of rename events.
    BridgeResult<void> announce(const QList<NamedPosition>& positions) override;
    BridgeResult<void> place(const QList<NamedPosition>& positions) override;

    static const QString busName;

protected:
    QStringList showAgain(const QStringList& names) override;
    bool takesPositions() const override;
    QPointF centreOf(QPoint stored) const override { return grid().centreOf(stored); }
    QPoint storedFor(QPointF centre) const override { return grid().storedFor(centre); }

private:
    // Read afresh at most once a second: an operation converts every icon with the same one,
    // and the user may change the icon size or a panel while Tidora runs.
    DingGrid grid() const;

    std::function<QRect()> m_workArea;
    mutable QMutex m_gridMutex;
    mutable std::optional<DingGrid> m_grid;
    mutable QDeadlineTimer m_gridFresh;
};
