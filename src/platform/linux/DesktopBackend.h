#pragma once

#include "engine/BridgeResult.h"
#include "engine/DesktopFile.h"
#include "engine/NamedPosition.h"

#include <QList>
#include <QString>

// What Tidora can do with one desktop-icon program. Positions are icon centres in
// top-left-origin screen points; each backend converts to and from its program's own units.
// Names reach a backend only when they are plain file names its canExpress accepts, and lists
// only when they are not empty.
//
// allPositions and liveSelection may be called on a worker thread; the rest on the GUI thread.
class DesktopBackend
{
public:
    virtual ~DesktopBackend() = default;

    // The program's name as the setting writes it ("caja", "nemo", …).
    virtual QString name() const = 0;
    // The icon centre of every Desktop item whose position the program keeps, by name.
    virtual BridgeResult<PositionMap> allPositions() = 0;
    // Moves the icons of items already on the Desktop.
    virtual BridgeResult<void> place(const QList<NamedPosition>& positions) = 0;
    // Records where the icons of items about to arrive go. The default does nothing.
    virtual BridgeResult<void> announce(const QList<NamedPosition>& positions);
    // Whether the program tells which of its icons are selected.
    virtual bool hasLiveSelection() const { return false; }
    // The selected Desktop items, with their icon centres where known. The default, for the
    // programs that don't tell, is unseenSelection().
    virtual BridgeResult<QList<DesktopFile>> liveSelection();
    // What the hot key and the tray menu tell where the selection can't be seen: an empty one
    // would look like a key that does nothing.
    static BridgeError unseenSelection();
    // Whether the program's store can carry this name whole.
    virtual bool canExpress(const QString& name) const;

protected:
    // The errors, worded by what failed.
    static BridgeError readFailure(const QString& reason);
    static BridgeError placeFailure(const QString& reason);
    static BridgeError selectionFailure(const QString& reason);
    // Files an icon move left under a hidden name (IconDetour): ok when there are none.
    static BridgeResult<void> strandedFailure(const QStringList& names);
};
