#include "engine/Spreader.h"

#include "engine/DesktopBridge.h"
#include "engine/DesktopCoordinates.h"
#include "engine/EngineLog.h"
#include "engine/FolderNames.h"
#include "engine/GridLayout.h"
#include "engine/MoveReports.h"
#include "engine/PathNames.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackWindowPort.h"
#include "engine/StackWindows.h"
#include "engine/Stacker.h"
#include "operations/StackRemoval.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "store/ResolvedFolders.h"
#include "store/StorageFolders.h"

#include <cmath>

using std::chrono::milliseconds;

namespace {

using PathNames::fileName;

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

} // namespace

Spreader::Spreader(FileSystem& fs, Bookmarks& bookmarks, DesktopBridge& desktop, Alerts& alerts,
                   Scheduler& scheduler, const Screens& screens, StorageFolders& folders,
                   const StackFiles& files, StackRecords& records, StackWindows& windows,
                   MoveReports& reports, StackRemoval& removal, Stacker& stacker, QObject& context)
    : m_fs(fs)
    , m_bookmarks(bookmarks)
    , m_desktop(desktop)
    , m_alerts(alerts)
    , m_scheduler(scheduler)
    , m_screens(screens)
    , m_folders(folders)
    , m_files(files)
    , m_records(records)
    , m_windows(windows)
    , m_reports(reports)
    , m_removal(removal)
    , m_stacker(stacker)
    , m_context(context)
{}

// The record, when there is one in this state.
std::optional<DesktopStack> Spreader::stackIn(const QUuid& id, StackState state) const
{
    std::optional<DesktopStack> found = m_records.withID(id);
    if (found && found->state != state)
        return std::nullopt;
    return found;
}

// Of the items' files (`paths`, one per item), those that lie directly on the Desktop.
QList<Spreader::OnDesktop>
Spreader::itemsOnDesktop(const QList<std::optional<QString>>& paths) const
{
    const QString desktop = m_files.resolvedDesktopFolder();
    ResolvedFolders parents(m_fs);
    QList<OnDesktop> found;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const std::optional<QString>& path = paths.at(i);
        if (path && parents.parentOf(*path) == desktop)
            found.append(OnDesktop{i, fileName(*path)});
    }
    return found;
}

QStringList Spreader::namesOf(const QList<OnDesktop>& files)
{
    QStringList names;
    names.reserve(files.size());
    for (const OnDesktop& file : files)
        names.append(file.name);
    return names;
}

// The icons' places now; nothing known when the desktop program does not answer.
PositionMap Spreader::currentPositions(const QList<OnDesktop>& files)
{
    return m_desktop.desktopPositions(namesOf(files)).valueOr(PositionMap());
}

// Sends the positions; false (after showing why) when the desktop program refused them.
bool Spreader::sendPositions(const QList<NamedPosition>& placements)
{
    if (placements.isEmpty())
        return true;
    const BridgeResult<void> sent = m_desktop.setDesktopPositions(placements);
    if (!sent)
        m_alerts.showError(sent.error().description());
    return sent.isOk();
}

void Spreader::store(const DesktopStack& stack, const QStringList& files)
{
    m_records.store(stack);
    m_windows.showWindow(stack, files);
}

Spreader::SpreadOutcome Spreader::moveToDesktop(DesktopStack& stack,
                                                QList<std::optional<QString>>& paths, bool inGrid)
{
    const QString onDesktop = m_files.resolvedDesktopFolder();
    ResolvedFolders parents(m_fs);

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
    FolderNames names(m_fs, m_files.desktopFolder());
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const std::optional<QString>& path = paths.at(i);
        if (!path)
            continue;
        if (parents.parentOf(*path) == onDesktop)
            plan.append(Planned{i, *path, *path});
        else
            plan.append(Planned{i, *path, names.choose(stack.items.at(i).name)});
    }
    const QList<QPointF> grid = inGrid ? gridPositions(int(plan.size()), stack) : QList<QPointF>();
    QList<NamedPosition> announced;
    announced.reserve(plan.size());
    for (qsizetype j = 0; j < plan.size(); ++j) {
        if (plan.at(j).to == plan.at(j).from)
            continue;
        const QPointF position = inGrid ? grid.at(j) : stack.items.at(plan.at(j).item).position;
        announced.append(NamedPosition{fileName(plan.at(j).to), position});
    }
    // Only a hint: the positions are set again once the files are there.
    (void)m_desktop.announcePositions(announced);

    SpreadOutcome outcome;
    for (Planned& planned : plan) {
        StackItem& item = stack.items[planned.item];
        if (planned.to != planned.from) {
            ++outcome.asked;
            if (const Status moved = names.moveThere(m_fs, planned.from, planned.to); !moved) {
                qCWarning(lcEngine).noquote() << QStringLiteral("Tidorama: could not restore ") +
                                                     planned.from + QStringLiteral(": ") +
                                                     moved.description();
                outcome.failures.add(planned.from, moved);
                continue;
            }
            ++outcome.moved;
            paths[planned.item] = planned.to;
            if (std::optional<QByteArray> bookmark = m_bookmarks.moved(item.bookmark, planned.to))
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

bool Spreader::spread(const QUuid& id, bool inGrid)
{
    std::optional<DesktopStack> found = stackIn(id, StackState::collapsed);
    if (!found)
        return true;
    DesktopStack stack = std::move(*found);
    QList<std::optional<QString>> paths = m_files.renewItems(stack);
    stack.state = StackState::expanded;
    m_records.recordIntent(stack);
    SpreadOutcome outcome = moveToDesktop(stack, paths, inGrid);
    // A spread that moved nothing it had to move is no spread.
    if (outcome.moved == 0 && !outcome.failures.isEmpty())
        stack.state = StackState::collapsed;
    store(stack, present(paths));
    if (!outcome.failures.isEmpty())
        m_reports.tell(outcome.failures.error(outcome.asked, QStringLiteral("moved to the Desktop"),
                                              m_folders.stackFolderURL(stack), m_folders));
    placeIcons(outcome.placements, id);
    return outcome.failures.isEmpty();
}

void Spreader::placeIcons(const QList<NamedPosition>& placements, const QUuid& id)
{
    // The second pass, because the desktop program may still be settling the new arrivals.
    m_scheduler.after(milliseconds(200), &m_context, [this, placements, id] {
        if (!sendPositions(placements))
            return;
        m_scheduler.after(milliseconds(700), &m_context, [this, placements, id] {
            if (sendPositions(placements))
                refreshPositions(id);
        });
    });
}

void Spreader::refreshPositions(const QUuid& id)
{
    std::optional<DesktopStack> found = stackIn(id, StackState::expanded);
    if (!found)
        return;
    DesktopStack stack = std::move(*found);
    const QList<std::optional<QString>> paths = m_files.resolvedItems(stack);
    const QList<OnDesktop> files = itemsOnDesktop(paths);
    const BridgeResult<PositionMap> positions = m_desktop.desktopPositions(namesOf(files));
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
    store(stack, present(paths));
}

void Spreader::restack(const QUuid& id, bool letMovedLeave)
{
    std::optional<DesktopStack> found = stackIn(id, StackState::expanded);
    if (!found)
        return;
    DesktopStack stack = std::move(*found);
    QList<std::optional<QString>> paths = m_files.renewItems(stack);
    const QList<OnDesktop> files = itemsOnDesktop(paths);
    const PositionMap positions = currentPositions(files);
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
    if (const Status ready = m_stacker.prepareFolder(stack); !ready)
        return m_alerts.showError(ready.description());
    // Saved gathered before the files move: a stop part-way is finished at the next launch.
    const StackState before = stack.state;
    stack.state = StackState::collapsed;
    m_records.recordIntent(stack);
    QStringList gathered;
    Stacker::GatherOutcome outcome;
    outcome.keepUnmoved = true;
    if (const Status done = m_stacker.gatherIntoFolder(stack, paths, gathered, &outcome); !done) {
        stack.state = before;
        store(stack, m_files.resolvedFiles(stack));
        return m_alerts.showError(done.description());
    }
    // A restack that moved nothing it had to move leaves the stack spread.
    if (outcome.moved == 0 && !outcome.failures.isEmpty())
        stack.state = before;
    if (stack.items.isEmpty())
        m_removal.removeStack(id, true);
    else
        store(stack, gathered);
    if (!outcome.failures.isEmpty())
        m_reports.tell(outcome.failures.error(outcome.asked, QStringLiteral("moved into the stack"),
                                              m_files.desktopFolder(), m_folders));
}

void Spreader::arrangeInGrid(const QUuid& id)
{
    std::optional<DesktopStack> found = stackIn(id, StackState::expanded);
    if (!found)
        return;
    DesktopStack stack = std::move(*found);
    const QList<std::optional<QString>> paths = m_files.resolvedItems(stack);
    const QList<OnDesktop> files = itemsOnDesktop(paths);
    const QList<QPointF> grid = gridPositions(int(files.size()), stack);
    QList<NamedPosition> placements;
    for (qsizetype j = 0; j < files.size(); ++j) {
        stack.items[files.at(j).item].position = grid.at(j);
        placements.append(NamedPosition{files.at(j).name, grid.at(j)});
    }
    store(stack, present(paths));
    if (!sendPositions(placements))
        return;
    m_scheduler.after(milliseconds(300), &m_context, [this, id] { refreshPositions(id); });
}

QList<QPointF> Spreader::gridPositions(int count, const DesktopStack& stack)
{
    if (count <= 0)
        return {};
    const QRectF window = DesktopCoordinates::windowFrame(stack.windowOrigin);
    const QList<ScreenGeometry> all = m_screens.screens();
    QRectF visible = all.isEmpty() ? QRectF() : all.first().visibleFrame;
    for (const ScreenGeometry& screen : all) {
        if (screen.frame.contains(window.center())) {
            visible = screen.visibleFrame;
            break;
        }
    }

    QList<QRectF> obstacles;
    // The stack's own files may lie on the Desktop already; they are what is being placed.
    const QStringList ownFiles = m_files.resolvedFiles(stack);
    const QSet<QString> own(ownFiles.cbegin(), ownFiles.cend());
    const QList<DesktopFile> icons = m_desktop.desktopItems().valueOr({});
    for (const DesktopFile& icon : icons) {
        if (icon.position && !own.contains(icon.path))
            obstacles.append(QRectF(*icon.position - QPointF(40, 45), QSizeF(80, 90)));
    }
    for (const QUuid& other : m_windows.windowIDs()) {
        if (other != stack.id)
            obstacles.append(
                DesktopCoordinates::toDesktop(m_screens, m_windows.window(other)->frame()));
    }
    return GridLayout::positions(count, DesktopCoordinates::toDesktop(m_screens, window),
                                 DesktopCoordinates::toDesktop(m_screens, visible), obstacles);
}
