#include "engine/AddFiles.h"

#include "engine/DesktopBridge.h"
#include "engine/DesktopCoordinates.h"
#include "engine/EngineLog.h"
#include "engine/FolderNames.h"
#include "engine/MoveFailures.h"
#include "engine/PathNames.h"
#include "engine/StackManager.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/ResolvedFolders.h"

#include <algorithm>

namespace {

using PathNames::fileName;

// The places a drop must never carry off, links resolved.
QStringList protectedPlaces(const StackManager& manager)
{
    const FileSystem& fs = manager.fm();
    QStringList places = {manager.files().resolvedDesktopFolder(),
                          fs.resolved(manager.services().paths.dataFolder())};
    for (const StorageLocation location : allStorageLocations)
        places.append(fs.resolved(manager.folders().storageFolder(location)));
    return places;
}

// Whether `path` (resolved) is one of the places or holds one.
bool holdsAny(const QString& path, const QStringList& places)
{
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    return std::any_of(places.cbegin(), places.cend(), [&](const QString& place) {
        return place == path || place.startsWith(prefix);
    });
}

} // namespace

void addFiles(StackManager& manager, const QStringList& paths, const QUuid& id)
{
    const std::optional<DesktopStack> found = manager.stackWithID(id);
    if (!found)
        return;
    DesktopStack stack = *found;
    const Services& services = manager.services();
    FileSystem& fs = manager.fm();

    QSet<QString> own;
    for (const QString& file : manager.files().resolvedFiles(stack))
        own.insert(fs.resolved(file));
    const QStringList places = protectedPlaces(manager);
    bool droppedOwn = false;
    HiddenLists hidden;
    QSet<QString> taken;
    QStringList kept;
    for (const QString& path : paths) {
        const QString resolved = fs.resolved(path);
        if (own.contains(resolved)) {
            droppedOwn = true;
            continue;
        }
        if (taken.contains(resolved) || fileName(path).startsWith(QLatin1Char('.')) ||
            holdsAny(resolved, places) || services.desktop.isHiddenFile(path, hidden))
            continue;
        taken.insert(resolved);
        kept.append(path);
    }
    // Dropping a spread stack's own file onto it gathers the stack.
    const bool gatherAfterwards = droppedOwn && stack.state == StackState::expanded;
    if (kept.isEmpty()) {
        if (gatherAfterwards)
            manager.restack(id, false);
        else
            services.alerts.beep();
        return;
    }

    const QString desktop = manager.files().resolvedDesktopFolder();
    ResolvedFolders parents(fs);
    QStringList onDesktop;
    for (const QString& path : std::as_const(kept)) {
        if (parents.parentOf(path) == desktop)
            onDesktop.append(fileName(path));
    }
    const PositionMap positions =
        services.desktop.desktopPositions(onDesktop).valueOr(PositionMap());
    const QPointF base =
        DesktopCoordinates::windowCentreOnDesktop(services.screens, stack.windowOrigin);

    const QString folder = manager.folders().stackFolderURL(stack);
    if (const Status ready = manager.stacker().prepareFolder(stack); !ready)
        return services.alerts.showError(ready.description());
    // A file is an item of one stack only: adding it takes it out of the one it was in, saved
    // before it moves. After a stop part-way a moved file is found in this stack's folder, and
    // one not yet moved stays on the Desktop, listed by neither.
    const QList<Stacker::TakenItem> others = manager.stacker().takeFromOtherStacks(taken, id);
    if (!others.isEmpty())
        manager.records().save();

    MoveFailures failures;
    int unplaced = 0;
    for (const QString& path : std::as_const(kept)) {
        const QString name = fileName(path);
        const auto known =
            parents.parentOf(path) == desktop ? positions.constFind(name) : positions.cend();
        const QPointF position =
            known != positions.cend() ? *known : base + QPointF(24, 24) * unplaced++;
        const QString destination = FolderNames::uniqueDestination(fs, folder, name);
        if (const Status moved = fs.move(path, destination); !moved) {
            qCWarning(lcEngine).noquote() << QStringLiteral("Tidorama: could not add ") + path +
                                                 QStringLiteral(": ") + moved.description();
            failures.add(path, moved);
            continue;
        }
        // Without a bookmark the item is still found again by its name at the next launch.
        stack.items.append(StackItem{QUuid::createUuid(), fileName(destination),
                                     services.bookmarks.make(destination).value_or(QByteArray()),
                                     position});
    }
    manager.storeStack(stack);
    manager.stacker().settleOtherStacks(others, failures.paths());
    if (!failures.isEmpty())
        manager.reports().tell(failures.error(
            kept.size(), QStringLiteral("added to \u201C") + stack.name + QStringLiteral("\u201D"),
            failures.places(), manager.folders()));
    if (gatherAfterwards)
        manager.restack(id, false);
}

bool mergeDropped(StackManager& manager, const QList<StackSelection::Drop>& drops)
{
    const QPointer<StackManager> alive(&manager);
    for (const auto& [dragged, target] : drops) {
        const std::optional<DesktopStack> stack = manager.stackWithID(dragged);
        if (!stack || !manager.stackWithID(target))
            continue;
        manager.addFiles(manager.files().resolvedFiles(*stack), target);
        // Adding may have shown an alert, and the stack may have gone meanwhile.
        if (!alive)
            break;
        if (const std::optional<DesktopStack> left = manager.stackWithID(dragged);
            left && manager.files().resolvedFiles(*left).isEmpty())
            manager.removeStack(dragged, true);
        if (!alive)
            break;
    }
    return !drops.isEmpty();
}
