#include "engine/Spreading.h"

#include "engine/DesktopBridge.h"
#include "engine/DesktopCoordinates.h"
#include "engine/EngineLog.h"
#include "engine/FolderNames.h"
#include "engine/GridLayout.h"
#include "engine/MoveFailures.h"
#include "engine/PathNames.h"
#include "engine/StackManager.h"
#include "engine/StackWindowPort.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "store/ResolvedFolders.h"

#include <cmath>

using std::chrono::milliseconds;

namespace Spreading {

namespace {

using PathNames::fileName;

// An item whose file lies directly on the Desktop, with its name there.
struct OnDesktop
{
    qsizetype item;
    QString name;
};

// The record, when there is one in this state.
std::optional<DesktopStack> stackIn(const StackManager& manager, const QUuid& id, StackState state)
{
    std::optional<DesktopStack> found = manager.stackWithID(id);
    if (found && found->state != state)
        return std::nullopt;
    return found;
}

// Of the items' files (`paths`, one per item), those that lie directly on the Desktop.
QList<OnDesktop> itemsOnDesktop(const StackManager& manager,
                                const QList<std::optional<QString>>& paths)
{
    const QString desktop = manager.files().resolvedDesktopFolder();
    ResolvedFolders parents(manager.fm());
    QList<OnDesktop> found;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const std::optional<QString>& path = paths.at(i);
        if (path && parents.parentOf(*path) == desktop)
            found.append(OnDesktop{i, fileName(*path)});
    }
    return found;
}

// The paths that are there, in order: what a stack window is given.
QStringList present(const QList<std::optional<QString>>& paths)
{
    QStringList files;
    files.reserve(paths.size());
    for (const std::optional<QString>& path : paths) {
        if (path)
            files.append(*path);
    }
    return files;
}

QStringList namesOf(const QList<OnDesktop>& files)
{
    QStringList names;
    names.reserve(files.size());
    for (const OnDesktop& file : files)
        names.append(file.name);
    return names;
}

// The icons' places now; nothing known when the desktop program does not answer.
PositionMap currentPositions(StackManager& manager, const QList<OnDesktop>& files)
{
    return manager.services().desktop.desktopPositions(namesOf(files)).valueOr(PositionMap());
}

// Sends the positions; false (after showing why) when the desktop program refused them.
bool sendPositions(StackManager& manager, const QList<NamedPosition>& placements)
{
    if (placements.isEmpty())
        return true;
    const BridgeResult<void> sent = manager.services().desktop.setDesktopPositions(placements);
    if (!sent)
        manager.services().alerts.showError(sent.error().description());
    return sent.isOk();
}

} // namespace

SpreadOutcome moveToDesktop(StackManager& manager, DesktopStack& stack,
                            QList<std::optional<QString>>& paths, bool inGrid)
{
    const Services& services = manager.services();
    FileSystem& fs = manager.fm();
    const QString onDesktop = manager.files().resolvedDesktopFolder();
    ResolvedFolders parents(fs);

    // Every destination is chosen before anything moves, so that the desktop program can be
    // told where the icons go before they arrive. A file already on the Desktop (a spread
    // stopped part-way, a restack that could not take it) stays there under its own name:
    // choosing a free name for it would rename it.
    struct Planned
    {
        qsizetype item;
        QString from;
        QString to;
    };
    QList<Planned> plan;
    FolderNames names(fs, manager.files().desktopFolder());
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const std::optional<QString>& path = paths.at(i);
        if (!path)
            continue;
        if (parents.parentOf(*path) == onDesktop)
            plan.append(Planned{i, *path, *path});
        else
            plan.append(Planned{i, *path, names.choose(stack.items.at(i).name)});
    }
    const QList<QPointF> grid =
        inGrid ? gridPositions(manager, int(plan.size()), stack) : QList<QPointF>();
    QList<NamedPosition> announced;
    announced.reserve(plan.size());
    for (qsizetype j = 0; j < plan.size(); ++j) {
        if (plan.at(j).to == plan.at(j).from)
            continue;
        const QPointF position = inGrid ? grid.at(j) : stack.items.at(plan.at(j).item).position;
        announced.append(NamedPosition{fileName(plan.at(j).to), position});
    }
    // Only a hint: the positions are set again once the files are there.
    (void)services.desktop.announcePositions(announced);

    SpreadOutcome outcome;
    for (Planned& planned : plan) {
        StackItem& item = stack.items[planned.item];
        if (planned.to != planned.from) {
            ++outcome.asked;
            if (const Status moved = names.moveThere(fs, planned.from, planned.to); !moved) {
                qCWarning(lcEngine).noquote() << QStringLiteral("Tidorama: could not restore ") +
                                                     planned.from + QStringLiteral(": ") +
                                                     moved.description();
                outcome.failures.add(planned.from, moved);
                continue;
            }
            ++outcome.moved;
            paths[planned.item] = planned.to;
            if (std::optional<QByteArray> bookmark =
                    services.bookmarks.moved(item.bookmark, planned.to))
                item.bookmark = std::move(*bookmark);
        }
        item.name = fileName(planned.to);
        // In a grid the files that are there fill its cells in order.
        if (inGrid)
            item.position = grid.at(outcome.placements.size());
        outcome.placements.append(NamedPosition{item.name, item.position});
        if (planned.to != planned.from)
            outcome.arrived.append(outcome.placements.last());
    }
    return outcome;
}

bool spread(StackManager& manager, const QUuid& id, bool inGrid)
{
    std::optional<DesktopStack> found = stackIn(manager, id, StackState::collapsed);
    if (!found)
        return true;
    DesktopStack stack = std::move(*found);
    QList<std::optional<QString>> paths = manager.files().renewItems(stack);
    stack.state = StackState::expanded;
    manager.records().recordIntent(stack);
    SpreadOutcome outcome = moveToDesktop(manager, stack, paths, inGrid);
    // A spread that moved nothing it had to move is no spread.
    if (outcome.moved == 0 && !outcome.failures.isEmpty())
        stack.state = StackState::collapsed;
    manager.storeStack(stack, present(paths));
    if (!outcome.failures.isEmpty())
        manager.reports().tell(
            outcome.failures.error(outcome.asked, QStringLiteral("moved to the Desktop"),
                                   manager.folders().stackFolderURL(stack), manager.folders()));
    placeIcons(manager, outcome.placements, id);
    return outcome.failures.isEmpty();
}

void placeIcons(StackManager& manager, const QList<NamedPosition>& placements, const QUuid& id)
{
    Scheduler& scheduler = manager.services().scheduler;
    // The second pass, because the desktop program may still be settling the new arrivals.
    scheduler.after(milliseconds(200), &manager, [&manager, &scheduler, placements, id] {
        if (!sendPositions(manager, placements))
            return;
        scheduler.after(milliseconds(700), &manager, [&manager, placements, id] {
            if (sendPositions(manager, placements))
                refreshPositions(manager, id);
        });
    });
}

void refreshPositions(StackManager& manager, const QUuid& id)
{
    std::optional<DesktopStack> found = stackIn(manager, id, StackState::expanded);
    if (!found)
        return;
    DesktopStack stack = std::move(*found);
    const QList<std::optional<QString>> paths = manager.files().resolvedItems(stack);
    const QList<OnDesktop> files = itemsOnDesktop(manager, paths);
    const BridgeResult<PositionMap> positions =
        manager.services().desktop.desktopPositions(namesOf(files));
    if (!positions)
        return;
    for (const OnDesktop& file : files) {
        const auto position = positions.value().constFind(file.name);
        if (position == positions.value().cend())
            continue;
        StackItem& item = stack.items[file.item];
        item.name = file.name;
        item.position = *position;
    }
    manager.storeStack(stack, present(paths));
}

void restack(StackManager& manager, const QUuid& id, bool letMovedLeave)
{
    std::optional<DesktopStack> found = stackIn(manager, id, StackState::expanded);
    if (!found)
        return;
    DesktopStack stack = std::move(*found);
    QList<std::optional<QString>> paths = manager.files().renewItems(stack);
    const QList<OnDesktop> files = itemsOnDesktop(manager, paths);
    const PositionMap positions = currentPositions(manager, files);
    QSet<qsizetype> moved;
    for (const OnDesktop& file : files) {
        const auto position = positions.constFind(file.name);
        if (position == positions.cend())
            continue;
        StackItem& item = stack.items[file.item];
        const QPointF delta = *position - item.position;
        if (std::hypot(delta.x(), delta.y()) > 80)
            moved.insert(file.item);
        item.name = file.name;
        item.position = *position;
    }
    if (letMovedLeave && !moved.isEmpty()) {
        QList<StackItem> staying;
        QList<std::optional<QString>> stayingPaths;
        for (qsizetype i = 0; i < stack.items.size(); ++i) {
            if (!moved.contains(i)) {
                staying.append(stack.items.at(i));
                stayingPaths.append(paths.at(i));
            }
        }
        stack.items = std::move(staying);
        paths = std::move(stayingPaths);
    }
    if (const Status ready = manager.stacker().prepareFolder(stack); !ready)
        return manager.services().alerts.showError(ready.description());
    // Saved gathered before the files move: a stop part-way is finished at the next launch.
    const StackState before = stack.state;
    stack.state = StackState::collapsed;
    manager.records().recordIntent(stack);
    QStringList gathered;
    Stacker::GatherOutcome outcome;
    outcome.keepUnmoved = true;
    if (const Status done = manager.stacker().gatherIntoFolder(stack, paths, gathered, &outcome);
        !done) {
        stack.state = before;
        manager.storeStack(stack);
        return manager.services().alerts.showError(done.description());
    }
    // A restack that moved nothing it had to move leaves the stack spread.
    if (outcome.moved == 0 && !outcome.failures.isEmpty())
        stack.state = before;
    if (stack.items.isEmpty())
        manager.removeStack(id, true);
    else
        manager.storeStack(stack, gathered);
    if (!outcome.failures.isEmpty())
        manager.reports().tell(
            outcome.failures.error(outcome.asked, QStringLiteral("moved into the stack"),
                                   manager.files().desktopFolder(), manager.folders()));
}

void arrangeInGrid(StackManager& manager, const QUuid& id)
{
    std::optional<DesktopStack> found = stackIn(manager, id, StackState::expanded);
    if (!found)
        return;
    DesktopStack stack = std::move(*found);
    const QList<std::optional<QString>> paths = manager.files().resolvedItems(stack);
    const QList<OnDesktop> files = itemsOnDesktop(manager, paths);
    const QList<QPointF> grid = gridPositions(manager, int(files.size()), stack);
    QList<NamedPosition> placements;
    for (qsizetype j = 0; j < files.size(); ++j) {
        stack.items[files.at(j).item].position = grid.at(j);
        placements.append(NamedPosition{files.at(j).name, grid.at(j)});
    }
    manager.storeStack(stack, present(paths));
    if (!sendPositions(manager, placements))
        return;
    manager.services().scheduler.after(milliseconds(300), &manager,
                                       [&manager, id] { refreshPositions(manager, id); });
}

QList<QPointF> gridPositions(StackManager& manager, int count, const DesktopStack& stack)
{
    if (count <= 0)
        return {};
    const Services& services = manager.services();
    const Screens& screens = services.screens;
    const QRectF window = DesktopCoordinates::windowFrame(stack.windowOrigin);
    const QList<ScreenGeometry> all = screens.screens();
    QRectF visible = all.isEmpty() ? QRectF() : all.first().visibleFrame;
    for (const ScreenGeometry& screen : all) {
        if (screen.frame.contains(window.center())) {
            visible = screen.visibleFrame;
            break;
        }
    }

    QList<QRectF> obstacles;
    // The stack's own files may lie on the Desktop already; they are what is being placed.
    const QStringList ownFiles = manager.files().resolvedFiles(stack);
    const QSet<QString> own(ownFiles.cbegin(), ownFiles.cend());
    const QList<DesktopFile> icons = services.desktop.desktopItems().valueOr({});
    for (const DesktopFile& icon : icons) {
        if (icon.position && !own.contains(icon.path))
            obstacles.append(QRectF(*icon.position - QPointF(40, 45), QSizeF(80, 90)));
    }
    for (const QUuid& other : manager.windows().windowIDs()) {
        if (other != stack.id)
            obstacles.append(
                DesktopCoordinates::toDesktop(screens, manager.windows().window(other)->frame()));
    }
    return GridLayout::positions(count, DesktopCoordinates::toDesktop(screens, window),
                                 DesktopCoordinates::toDesktop(screens, visible), obstacles);
}

} // namespace Spreading
