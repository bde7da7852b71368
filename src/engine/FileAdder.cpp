#include "engine/FileAdder.h"

#include "engine/DesktopBridge.h"
#include "engine/DesktopCoordinates.h"
#include "engine/EngineLog.h"
#include "engine/FolderNames.h"
#include "engine/MoveFailures.h"
#include "engine/MoveReports.h"
#include "engine/PathNames.h"
#include "engine/Spreader.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackWindows.h"
#include "engine/Stacker.h"
#include "operations/StackRemoval.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/ResolvedFolders.h"
#include "store/StorageFolders.h"

#include <QPointer>

#include <algorithm>

namespace {

using PathNames::fileName;

// Whether `path` (resolved) is one of the places or holds one.
bool holdsAny(const QString& path, const QStringList& places)
{
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    return std::any_of(places.cbegin(), places.cend(), [&](const QString& place) {
        return place == path || place.startsWith(prefix);
    });
}

} // namespace

FileAdder::FileAdder(FileSystem& fs, Bookmarks& bookmarks, DesktopBridge& desktop, Alerts& alerts,
                     const Screens& screens, const Paths& paths, StorageFolders& folders,
                     const StackFiles& files, StackRecords& records, StackWindows& windows,
                     MoveReports& reports, StackRemoval& removal, Stacker& stacker,
                     Spreader& spreader, QObject& context)
    : m_fs(fs)
    , m_bookmarks(bookmarks)
    , m_desktop(desktop)
    , m_alerts(alerts)
    , m_screens(screens)
    , m_paths(paths)
    , m_folders(folders)
    , m_files(files)
    , m_records(records)
    , m_windows(windows)
    , m_reports(reports)
    , m_removal(removal)
    , m_stacker(stacker)
    , m_spreader(spreader)
    , m_context(context)
{}

// The places a drop must never carry off, links resolved.
QStringList FileAdder::protectedPlaces() const
{
    QStringList places = {m_files.resolvedDesktopFolder(), m_fs.resolved(m_paths.dataFolder())};
    for (const StorageLocation location : allStorageLocations)
        places.append(m_fs.resolved(m_folders.storageFolder(location)));
    return places;
}

void FileAdder::addFiles(const QStringList& paths, const QUuid& id)
{
    const std::optional<DesktopStack> found = m_records.withID(id);
    if (!found)
        return;
    DesktopStack stack = *found;

    QSet<QString> own;
    for (const QString& file : m_files.resolvedFiles(stack))
        own.insert(m_fs.resolved(file));
    const QStringList places = protectedPlaces();
    bool droppedOwn = false;
    HiddenLists hidden;
    QSet<QString> taken;
    QStringList kept;
    for (const QString& path : paths) {
        const QString resolved = m_fs.resolved(path);
        if (own.contains(resolved)) {
            droppedOwn = true;
            continue;
        }
        if (taken.contains(resolved) || fileName(path).startsWith(QLatin1Char('.')) ||
            holdsAny(resolved, places) || m_desktop.isHiddenFile(path, hidden))
            continue;
        taken.insert(resolved);
        kept.append(path);
    }
    // Dropping a spread stack's own file onto it gathers the stack.
    const bool gatherAfterwards = droppedOwn && stack.state == StackState::expanded;
    if (kept.isEmpty()) {
        if (gatherAfterwards)
            m_spreader.restack(id, false);
        else
            m_alerts.beep();
        return;
    }

    const QString desktop = m_files.resolvedDesktopFolder();
    ResolvedFolders parents(m_fs);
    QStringList onDesktop;
    for (const QString& path : std::as_const(kept)) {
        if (parents.parentOf(path) == desktop)
            onDesktop.append(fileName(path));
    }
    const PositionMap positions = m_desktop.desktopPositions(onDesktop).valueOr(PositionMap());
    const QPointF base = DesktopCoordinates::windowCentreOnDesktop(m_screens, stack.windowOrigin);

    const QString folder = m_folders.stackFolderURL(stack);
    if (const Status ready = m_stacker.prepareFolder(stack); !ready)
        return m_alerts.showError(ready.description());
    // A file is an item of one stack only: adding it takes it out of the one it was in, saved
    // before it moves. After a stop part-way a moved file is found in this stack's folder, and
    // one not yet moved stays on the Desktop, listed by neither.
    const QList<Stacker::TakenItem> others = m_stacker.takeFromOtherStacks(taken, id);
    if (!others.isEmpty())
        m_records.save();

    MoveFailures failures;
    int unplaced = 0;
    for (const QString& path : std::as_const(kept)) {
        const QString name = fileName(path);
        const auto known =
            parents.parentOf(path) == desktop ? positions.constFind(name) : positions.cend();
        const QPointF position =
            known != positions.cend() ? *known : base + QPointF(24, 24) * unplaced++;
        const QString destination = FolderNames::uniqueDestination(m_fs, folder, name);
        if (const Status moved = m_fs.move(path, destination); !moved) {
            qCWarning(lcEngine).noquote() << QStringLiteral("Tidorama: could not add ") + path +
                                                 QStringLiteral(": ") + moved.description();
            failures.add(path, moved);
            continue;
        }
        // Without a bookmark the item is still found again by its name at the next launch.
        stack.items.append(StackItem{QUuid::createUuid(), fileName(destination),
                                     m_bookmarks.make(destination).value_or(QByteArray()),
                                     position});
    }
    m_records.store(stack);
    m_windows.showWindow(stack, m_files.resolvedFiles(stack));
    m_stacker.settleOtherStacks(others, failures.paths());
    if (!failures.isEmpty())
        m_reports.tell(failures.error(
            kept.size(), QStringLiteral("added to \u201C") + stack.name + QStringLiteral("\u201D"),
            failures.places(), m_folders));
    if (gatherAfterwards)
        m_spreader.restack(id, false);
}

bool FileAdder::mergeDropped(const QList<StackSelection::Drop>& drops)
{
    const QPointer<QObject> alive(&m_context);
    for (const auto& [dragged, target] : drops) {
        const std::optional<DesktopStack> stack = m_records.withID(dragged);
        if (!stack || !m_records.withID(target))
            continue;
        addFiles(m_files.resolvedFiles(*stack), target);
        // Adding may have shown an alert, and the stack may have gone meanwhile.
        if (!alive)
            break;
        if (const std::optional<DesktopStack> left = m_records.withID(dragged);
            left && m_files.resolvedFiles(*left).isEmpty())
            m_removal.removeStack(dragged, true);
        if (!alive)
            break;
    }
    return !drops.isEmpty();
}
