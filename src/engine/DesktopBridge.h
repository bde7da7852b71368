#pragma once

#include "engine/BridgeResult.h"
#include "engine/DesktopFile.h"
#include "engine/HiddenLists.h"
#include "engine/NamedPosition.h"
#include "engine/SelectionSource.h"

#include <QList>
#include <QStringList>

#include <optional>

class FileSystem;

// Where the icons lie on the Desktop and which of them the user has selected, as the program
// that draws the Desktop knows it; and the way to tell that program where icons go.
//
// The public operations keep the rules every implementation shares; implementations supply
// only the protected steps. Each public operation makes at most one call of its step, whatever
// the number of items (names are never split into batches), and none when there is nothing
// to ask: an empty list of names gives the empty map, an empty list of positions sends nothing.
//
// Threads: desktopItems, selectedFiles and isHiddenFile may be called on any thread (the engine
// reads the selection and all items from a worker thread) and concurrently with each other;
// implementations make their read steps safe for that. desktopPositions, setDesktopPositions
// and announcePositions are called on the GUI thread. Every call blocks until the desktop
// program has answered.
class DesktopBridge
{
public:
    virtual ~DesktopBridge() = default;
    DesktopBridge(const DesktopBridge&) = delete;
    DesktopBridge& operator=(const DesktopBridge&) = delete;

    // Every item on the Desktop that the program reports, in its order, with the icon position
    // where it is known. Nothing is filtered here (callers test isHiddenFile).
    BridgeResult<QList<DesktopFile>> desktopItems();
    // The selected items that are visible and lie directly in the Desktop folder, in the
    // program's order. The item's parent folder is compared with symbolic links resolved; the
    // item itself is never resolved, so a link lying on the Desktop counts as on the Desktop.
    // For a context-menu request, the files handed over win over the program's selection: they
    // are what the user right-clicked, wherever the Desktop's selection stands. A hand-over
    // serves the one request it was made for.
    BridgeResult<QList<DesktopFile>>
    selectedFiles(SelectionSource source = SelectionSource::desktop);
    // Icon centres of the named Desktop items. Names the program does not know are absent;
    // when a name is answered twice the first answer wins; answers for names that were not
    // asked are dropped.
    BridgeResult<PositionMap> desktopPositions(const QStringList& names);
    // Moves the icons of the named Desktop items, in list order. Items the program cannot find
    // are ignored; only a failure of the whole call is reported.
    BridgeResult<void> setDesktopPositions(const QList<NamedPosition>& positions);
    // These items are about to be moved onto the Desktop: place their icons at these positions
    // when they arrive. Called just before the files move in; setDesktopPositions still
    // follows once they are there. Programs that cannot be told in advance ignore it.
    BridgeResult<void> announcePositions(const QList<NamedPosition>& positions);
    // True when the item's name begins with "." or the platform flags it hidden. A flag that
    // cannot be read counts as not hidden.
    bool isHiddenFile(const QString& path) const;
    // The same, for one of many files an operation asks about: the folders' lists read into
    // `lists` serve every later question asked with it.
    bool isHiddenFile(const QString& path, HiddenLists& lists) const;

    const QString& desktopFolder() const { return m_desktopFolder; }

protected:
    DesktopBridge(QString desktopFolder, const FileSystem& fileSystem);

    // Every Desktop item the program reports, unfiltered.
    virtual BridgeResult<QList<DesktopFile>> readDesktopItems() = 0;
    // The program's selection, unfiltered.
    virtual BridgeResult<QList<DesktopFile>> readSelection() = 0;
    // The files a context-menu action handed over and no request has taken yet, unfiltered;
    // taking them uses them up. Nothing when there are none. The default: no hand-over exists
    // on this platform (the action makes the program select the files instead).
    virtual std::optional<QList<DesktopFile>> takeHandOver();
    // One answer row per name found (in any order; repeats allowed). Called only with a
    // non-empty list of names that canExpress accepts.
    virtual BridgeResult<QList<NamedPosition>> readPositions(const QStringList& names) = 0;
    // Called only with a non-empty list of expressible names and positions.
    virtual BridgeResult<void> writePositions(const QList<NamedPosition>& positions) = 0;
    // Called only with a non-empty list of expressible names and positions. The default does
    // nothing: most programs cannot be told where an icon goes before its file arrives.
    virtual BridgeResult<void> writeAnnouncement(const QList<NamedPosition>& positions);
    // Whether a name can be carried to the program whole. A name that cannot is left out of
    // the operation (never sent in part). The default accepts plain file names.
    virtual bool canExpress(const QString& name) const;
    // The platform's own hidden flag, apart from the leading dot. The default reads the
    // ".hidden" list of the item's folder (through `lists`), which the Linux file managers
    // honour.
    virtual bool hasHiddenFlag(const QString& path, HiddenLists& lists) const;

    // A name of one item in a folder that the file system can store and give back unchanged:
    // not empty, not "." or "..", without "/" or NUL, and encodable in the file-name encoding.
    static bool isPlainFileName(const QString& name);
    // A coordinate every program can take: finite and within the 32-bit integer range.
    static bool isUsablePosition(const QPointF& position);

    const FileSystem& fileSystem() const { return m_fileSystem; }

private:
    QList<NamedPosition> expressible(const QList<NamedPosition>& positions) const;

    const QString m_desktopFolder;
    const FileSystem& m_fileSystem;
};
