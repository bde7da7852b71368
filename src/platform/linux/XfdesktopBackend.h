#pragma once

#include "platform/linux/DesktopBackend.h"
#include "platform/linux/IconDetour.h"
#include "platform/linux/XfdesktopGrid.h"

#include <functional>
#include <optional>

class FileSystem;

// xfdesktop (Xfce). Positions are grid cells in the icon file of the current screen size
// (icons.screen.latest.rc points at it), keyed by the file's absolute path; xfdesktop reads the
// file again whenever an icon is added. So:
// - read: the cells of the Desktop folder's entries, converted to icon centres (XfdesktopGrid);
// - announce: write the cells of files about to arrive; xfdesktop places them on arrival;
// - place: write the cells, then the file off and back so xfdesktop reads them again.
// The file is rewritten atomically with only our groups changed. xfdesktop rewrites it from
// memory a second after its own last change; a save of its own pending at that moment drops
// our entry, and the icon then lands in the next free cell (nothing else is lost). There is no
// way to read xfdesktop's selection.
class XfdesktopBackend : public DesktopBackend
{
public:
    XfdesktopBackend(FileSystem& fileSystem, QString desktopFolder, QString configRoot,
                     std::function<QRect()> workArea);

    QString name() const override { return QStringLiteral("xfdesktop"); }
    BridgeResult<PositionMap> allPositions() override;
    BridgeResult<void> place(const QList<NamedPosition>& positions) override;
    BridgeResult<void> announce(const QList<NamedPosition>& positions) override;
    bool canExpress(const QString& name) const override;

    // The icon size xfdesktop's settings give (48 when they say nothing).
    static int iconSize(const QString& configRoot);

private:
    std::optional<XfdesktopGrid> grid() const;
    QString iconFile() const;
    // Writes the cells; the names whose cell changed.
    BridgeResult<QStringList> write(const QList<NamedPosition>& positions, bool arrivingOnly);
    QByteArray groupOf(const QString& name) const;

    FileSystem& m_fileSystem;
    QString m_desktop;
    QString m_configRoot;
    std::function<QRect()> m_workArea;
    IconDetour m_detour;
};
