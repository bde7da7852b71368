#pragma once

#include "platform/linux/AtspiDesktop.h"
#include "platform/linux/DesktopBackend.h"
#include "platform/linux/GvfsMetadata.h"
#include "platform/linux/IconDetour.h"

#include <QPoint>
#include <QSet>

class FileSystem;

// A desktop program that keeps each icon's position in the file's GIO metadata, as "x,y" under
// "<prefix>-icon-position", with "<prefix>-icon-position-timestamp" where the program reads one
// (Caja, Nemo, GNOME's desktop icons):
// - read: the stored points of the Desktop folder's entries, through GIO;
// - announce: the metadata service's Set for the Desktop path of a file not there yet, with the
//   time stamp that makes the program take the point as it is rather than as a hint;
// - place: the same Set for a file already shown, then the program made to read it again (the
//   file off and back by default); icons already where they should be are left alone;
// - live selection, where the program shows it on the accessibility bus: the selected icons of
//   its Desktop icon view over AT-SPI, matched to files by label, and by position where labels
//   are ambiguous.
class MetadataIconBackend : public DesktopBackend
{
public:
    struct Program
    {
        // As the setting names it.
        QString name;
        // The metadata key prefix ("caja", "nemo").
        QString keyPrefix;
        // The application name on the accessibility bus; empty when the bus shows no selection.
        QString atspiName;
        // Whether every window of that application is the Desktop.
        bool atspiEveryWindowIsDesktop = false;
        // Whether the icons' image extents on that bus are true (Nemo's are garbage).
        bool atspiImagesAreTrue = true;
        // Whether a point set from outside needs a time stamp to be taken as it is.
        bool stampsPositions = true;
    };

    MetadataIconBackend(Program program, FileSystem& fileSystem, QString desktopFolder,
                        const GvfsMetadata& metadata);

    QString name() const override { return m_program.name; }
    BridgeResult<PositionMap> allPositions() override;
    BridgeResult<void> place(const QList<NamedPosition>& positions) override;
    BridgeResult<void> announce(const QList<NamedPosition>& positions) override;
    bool hasLiveSelection() const override { return !m_program.atspiName.isEmpty(); }
    BridgeResult<QList<DesktopFile>> liveSelection() override;

    // The "x,y" text the programs store; nothing for anything else.
    static std::optional<QPoint> parseStoredPoint(const QString& text);

protected:
    // The names among these whose files show an icon but have no stored point yet; nothing
    // when the store can't be read.
    std::optional<QStringList> unplaced(const QList<NamedPosition>& positions) const;
    // Clears the stored point of a name whose file is not on the Desktop: the store is keyed by
    // path, and a file moved away with a plain rename leaves its point there.
    Status forget(const QString& name) const;
    // Whether the program places icons where their stored points say (not when it arranges
    // them itself).
    virtual bool takesPositions() const { return true; }
    // Makes the program read the points of these shown icons again. The default takes each file
    // off and back (IconDetour) and returns the names left under a hidden name.
    virtual QStringList showAgain(const QStringList& names);
    const QString& desktopFolder() const { return m_desktop; }
    // The icon centre on the screen for a stored point, and back.
    virtual QPointF centreOf(QPoint stored) const = 0;
    virtual QPoint storedFor(QPointF centre) const = 0;

private:
    struct Stored
    {
        QString name;
        QString displayName;
        std::optional<QPoint> point;
    };

    std::optional<QList<Stored>> readStore(QString* failure) const;
    const Stored* matchIcon(const AtspiIcon& icon, const QList<Stored>& stored,
                            const QSet<QString>& taken) const;
    Status store(const QString& name, QPoint point) const;
    QString key() const { return m_program.keyPrefix + QStringLiteral("-icon-position"); }

    Program m_program;
    FileSystem& m_fileSystem;
    QString m_desktop;
    const GvfsMetadata& m_metadata;
    AtspiDesktop m_atspi;
    IconDetour m_detour;
};
