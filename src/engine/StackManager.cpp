#include "engine/StackManager.h"

#include "engine/AddFiles.h"
#include "engine/AutoStack.h"
#include "engine/GroupMoves.h"
#include "engine/Spreading.h"
#include "engine/StackWindowFactory.h"
#include "engine/StackWindowPort.h"
#include "engine/Stacking.h"
#include "engine/StoragePlaces.h"
#include "operations/ConvertToFolders.h"
#include "operations/Dissolve.h"
#include "operations/MoveToBin.h"
#include "operations/RunAsWork.h"
#include "operations/SelectionFlag.h"
#include "operations/StackRemoval.h"
#include "operations/StackRename.h"
#include "operations/UndoConversion.h"
#include "operations/UndoState.h"
#include "operations/Uninstall.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Scheduler.h"
#include "store/FirstRunChoice.h"

StackManager::StackManager(const Services& services, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_folders(services.paths, services.settings, services.fileSystem, services.folderGuard,
                services.cloudSync, services.wording)
    , m_stackListFile(services.paths, services.fileSystem)
    , m_undoState(new UndoState(services.scheduler, this))
{}

StackManager::~StackManager()
{
    // Windows go before the rest of the manager: a window may still look at it while it closes.
    m_windows.clear();
    m_closedWindows.clear();
}

void StackManager::setStacks(QList<DesktopStack> stacks)
{
    m_stacks = std::move(stacks);
}

DesktopStack* StackManager::findStack(const QUuid& id)
{
    for (DesktopStack& stack : m_stacks) {
        if (stack.id == id)
            return &stack;
    }
    return nullptr;
}

std::optional<DesktopStack> StackManager::takeStack(const QUuid& id)
{
    for (qsizetype i = 0; i < m_stacks.size(); ++i) {
        if (m_stacks.at(i).id == id)
            return m_stacks.takeAt(i);
    }
    return std::nullopt;
}

void StackManager::saveStackList()
{
    const Status saved = m_stackListFile.saveStackList(m_stacks);
    if (saved) {
        m_toldUnsaved = false;
        return;
    }
    // Told once until a save succeeds again, after the operation that saved has finished.
    if (m_toldUnsaved)
        return;
    m_toldUnsaved = true;
    QString reason = saved.description().trimmed();
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    const QString text =
        QStringLiteral("Tidora could not save its list of stacks in ") +
        m_services.paths.displayPath(m_services.paths.dataFolder()) + QStringLiteral(": ") +
        reason +
        QStringLiteral(". Your files are where the stacks show them; if Tidora stops before the "
                       "list can be saved, it finds them again in the stack folders.");
    m_services.scheduler.after(std::chrono::milliseconds(0), this, [this, text] {
        m_services.alerts.showError(TidoraError{ErrorCode::stacksNotSaved, text});
    });
}

void StackManager::tellMoveFailures(const TidoraError& error)
{
    if (m_heldReports)
        m_heldReports->append(error.description);
    else
        m_services.alerts.showError(error);
}

void StackManager::holdMoveReports()
{
    if (!m_heldReports)
        m_heldReports = QStringList();
}

void StackManager::releaseMoveReports()
{
    if (!m_heldReports)
        return;
    QStringList reports = std::move(*m_heldReports);
    m_heldReports.reset();
    reports.removeDuplicates();
    if (!reports.isEmpty())
        m_services.alerts.showError(
            TidoraError{ErrorCode::filesNotMoved, reports.join(QStringLiteral("\n\n"))});
}

void StackManager::recordIntent(const DesktopStack& stack)
{
    if (DesktopStack* existing = findStack(stack.id))
        *existing = stack;
    else
        m_stacks.append(stack);
    saveStackList();
}

void StackManager::recomputeFlags()
{
    m_undoState->recomputeStackFlags(m_stacks);
}

void StackManager::setLastConversion(QList<Conversion> conversions)
{
    m_lastConversion = std::move(conversions);
    m_undoState->setAvailable(!m_lastConversion.isEmpty());
}

ItemPlaces StackManager::itemPlaces() const
{
    return ItemPlaces(m_folders, fm());
}

QStringList StackManager::resolvedFiles(const DesktopStack& stack) const
{
    QStringList files;
    files.reserve(stack.items.size());
    for (std::optional<QString>& path : resolvedItems(stack)) {
        if (path)
            files.append(std::move(*path));
    }
    return files;
}

QList<std::optional<QString>> StackManager::resolvedItems(const DesktopStack& stack,
                                                          QStringList* outside) const
{
    return itemPlaces().admitted(stack, m_services.bookmarks.resolveAll(itemBookmarks(stack)),
                                 outside);
}

QList<std::optional<QString>> StackManager::renewItems(DesktopStack& stack) const
{
    QList<std::optional<Bookmarks::Renewal>> renewals =
        m_services.bookmarks.renewAll(itemBookmarks(stack));
    QList<std::optional<QString>> paths;
    paths.reserve(renewals.size());
    for (const std::optional<Bookmarks::Renewal>& renewed : std::as_const(renewals))
        paths.append(renewed ? std::optional<QString>(renewed->path) : std::nullopt);
    paths = itemPlaces().admitted(stack, std::move(paths));
    for (qsizetype i = 0; i < renewals.size(); ++i) {
        // Left as it was: a bookmark that leads elsewhere is not made to record that place.
        if (!paths.at(i))
            continue;
        // Written only on change, so that the item list stays shared when nothing moved.
        if (renewals.at(i)->bookmark != std::as_const(stack.items).at(i).bookmark)
            stack.items[i].bookmark = std::move(renewals[i]->bookmark);
    }
    return paths;
}

QString StackManager::desktopFolder() const
{
    return m_services.paths.desktop();
}

QString StackManager::resolvedDesktopFolder() const
{
    return fm().resolved(desktopFolder());
}

bool StackManager::isStorageFolder(const QString& path) const
{
    return resolvedStorageFolders().contains(fm().resolved(path));
}

QStringList StackManager::resolvedStorageFolders() const
{
    QStringList folders;
    for (const StorageLocation location : allStorageLocations)
        folders.append(fm().resolved(m_folders.storageFolder(location)));
    return folders;
}

StackWindowPort* StackManager::window(const QUuid& id) const
{
    const auto found = m_windows.find(id);
    return found == m_windows.end() ? nullptr : found->second.get();
}

QList<QUuid> StackManager::windowIDs() const
{
    QList<QUuid> ids;
    ids.reserve(qsizetype(m_windows.size()));
    for (const auto& [id, window] : m_windows)
        ids.append(id);
    return ids;
}

StackWindowPort& StackManager::showWindow(const DesktopStack& stack)
{
    return showWindow(stack, resolvedFiles(stack));
}

StackWindowPort& StackManager::showWindow(const DesktopStack& stack, const QStringList& files)
{
    std::unique_ptr<StackWindowPort>& slot = m_windows[stack.id];
    if (!slot)
        slot = m_services.windowFactory.createWindow(stack.id, *this);
    StackWindowPort& window = *slot;
    window.update(stack, files);
    const QPointF origin = window.frameOrigin();
    if (origin.x() != stack.windowOrigin.x() || origin.y() != stack.windowOrigin.y())
        window.setFrameOrigin(stack.windowOrigin);
    window.orderFront();
    return window;
}

bool StackManager::closeWindow(const QUuid& id)
{
    const auto found = m_windows.find(id);
    if (found == m_windows.end())
        return false;
    std::unique_ptr<StackWindowPort> window = std::move(found->second);
    m_windows.erase(found);
    window->close();
    m_closedWindows.push_back(std::move(window));
    m_services.scheduler.soon(this, [this] { destroyClosedWindows(); });
    return true;
}

void StackManager::destroyClosedWindows()
{
    m_closedWindows.clear();
}

void StackManager::publishSelection()
{
    for (const auto& [id, window] : m_windows)
        window->setSelected(m_selection.contains(id));
}

bool StackManager::removeStackFolderIfEmpty(const DesktopStack& stack)
{
    const QString folder = m_folders.stackFolderURL(stack);
    // A link in the folder's place is not the stack's folder: neither what it leads to nor the
    // link is the stack's to judge or remove.
    if (fm().isSymbolicLink(folder))
        return true;
    if (const std::optional<Listing> listing = fm().list(folder)) {
        if (listing->unnamed > 0)
            return false;
        for (const QString& name : listing->names) {
            if (name != QLatin1String(".DS_Store"))
                return false;
        }
    }
    m_folders.removeFolder(folder);
    for (const StorageLocation location : allStorageLocations) {
        const QString storage = m_folders.storageFolder(location);
        if (fm().exists(storage) && m_folders.isEffectivelyEmpty(storage))
            m_folders.removeFolder(storage);
    }
    return true;
}

quint64 StackManager::holdWork(WorkToken token)
{
    if (!token)
        return 0;
    const quint64 key = m_nextWorkKey++;
    m_heldWork.emplace(key, std::move(token));
    return key;
}

WorkToken StackManager::releaseWork(quint64 key)
{
    const auto found = m_heldWork.find(key);
    if (found == m_heldWork.end())
        return nullptr;
    WorkToken token = std::move(found->second);
    m_heldWork.erase(found);
    return token;
}

void StackManager::storeStack(const DesktopStack& stack)
{
    storeStack(stack, resolvedFiles(stack));
}

void StackManager::storeStack(const DesktopStack& stack, const QStringList& files)
{
    if (DesktopStack* existing = findStack(stack.id))
        *existing = stack;
    else
        m_stacks.append(stack);
    recomputeFlags();
    saveStackList();
    showWindow(stack, files);
}

std::optional<DesktopStack> StackManager::stackWithID(const QUuid& id) const
{
    for (const DesktopStack& stack : m_stacks) {
        if (stack.id == id)
            return stack;
    }
    return std::nullopt;
}

void StackManager::stackSelection(WorkToken token)
{
    Stacking::stackSelection(*this, std::move(token));
}

void StackManager::stackFiles(const QList<DesktopFile>& files, const std::optional<QString>& name,
                              QPointF windowOrigin)
{
    Stacking::stackFiles(*this, files, name, windowOrigin);
}

void StackManager::stackFilesAtPoint(const QList<DesktopFile>& files, QPointF point)
{
    Stacking::stackFilesAtPoint(*this, files, point);
}

void StackManager::autoStackByType(WorkToken token)
{
    AutoStack::autoStackByType(*this, std::move(token));
}

QString StackManager::defaultStackName(const QStringList& paths) const
{
    return Stacking::defaultStackName(*this, paths);
}

QPointF StackManager::defaultWindowOrigin(const QList<DesktopFile>& files) const
{
    return Stacking::defaultWindowOrigin(*this, files);
}

Status StackManager::gatherIntoFolder(DesktopStack& stack)
{
    return Stacking::gatherIntoFolder(*this, stack);
}

void StackManager::discardEmptyStack(const DesktopStack& stack)
{
    Stacking::discardEmptyStack(*this, stack);
}

QString StackManager::uniqueDestination(const QString& folder, const QString& name) const
{
    return Stacking::uniqueDestination(fm(), folder, name);
}

void StackManager::addFiles(const QStringList& paths, const QUuid& id)
{
    ::addFiles(*this, paths, id);
}

bool StackManager::spread(const QUuid& id, bool inGrid)
{
    return Spreading::spread(*this, id, inGrid);
}

void StackManager::restack(const QUuid& id, bool letMovedLeave)
{
    Spreading::restack(*this, id, letMovedLeave);
}

void StackManager::arrangeInGrid(const QUuid& id)
{
    Spreading::arrangeInGrid(*this, id);
}

QList<QPointF> StackManager::gridPositions(int count, const DesktopStack& stack)
{
    return Spreading::gridPositions(*this, count, stack);
}

void StackManager::refreshPositions(const QUuid& id)
{
    Spreading::refreshPositions(*this, id);
}

void StackManager::placeIcons(const QList<NamedPosition>& placements, const QUuid& id)
{
    Spreading::placeIcons(*this, placements, id);
}

QList<QUuid> StackManager::targetsOfWindowCommand(const QUuid& id) const
{
    return Dissolve::targetsOfWindowCommand(*this, id);
}

void StackManager::dissolveFromMenu(const QUuid& id)
{
    Dissolve::dissolveFromMenu(*this, id);
}

void StackManager::dissolveAfterAnimation(const QUuid& id)
{
    Dissolve::dissolveAfterAnimation(*this, id);
}

void StackManager::dissolveAll()
{
    Dissolve::dissolveAll(*this);
}

void StackManager::removeStack(const QUuid& id, bool reportLeftovers)
{
    ::removeStack(*this, id, reportLeftovers);
}

void StackManager::refreshSelectionFlag()
{
    ::refreshSelectionFlag(*this);
}

void StackManager::runAsWork(Work operation)
{
    ::runAsWork(*this, std::move(operation));
}

void StackManager::renameStack(const QUuid& id)
{
    ::renameStack(*this, id);
}

bool StackManager::toggleSelection(const QUuid& id)
{
    return GroupMoves::toggleSelection(*this, id);
}

void StackManager::selectOnly(const QUuid& id)
{
    GroupMoves::selectOnly(*this, id);
}

void StackManager::selectIfNeeded(const QUuid& id)
{
    GroupMoves::selectIfNeeded(*this, id);
}

void StackManager::marqueeBegan(bool onDesktop, bool additive)
{
    GroupMoves::marqueeBegan(*this, onDesktop, additive);
}

void StackManager::marqueeChanged(const QRectF& rect)
{
    GroupMoves::marqueeChanged(*this, rect);
}

bool StackManager::beginGroupDrag(const QUuid& id)
{
    return GroupMoves::beginGroupDrag(*this, id);
}

void StackManager::windowMoved(const QUuid& id, QPointF origin)
{
    GroupMoves::windowMoved(*this, id, origin);
}

bool StackManager::endGroupDrag()
{
    return GroupMoves::endGroupDrag(*this);
}

bool StackManager::changeStorageLocation(StorageLocation to)
{
    return StoragePlaces::changeStorageLocation(*this, to);
}

void StackManager::revertStorageMove(const QList<StorageMove>& moves, StorageLocation from,
                                     StorageLocation to, const QString& reason)
{
    StoragePlaces::revertStorageMove(*this, moves, from, to, reason);
}

void StackManager::showHelp()
{
    StoragePlaces::showHelp(*this);
}

bool StackManager::showFirstRunAlert(bool beforeStacking)
{
    return m_services.firstRun.showFirstRunAlert(beforeStacking);
}

void StackManager::convertAll()
{
    ConvertToFolders::convertAll(*this);
}

void StackManager::convertStacks(const QList<QUuid>& ids)
{
    ConvertToFolders::convertStacks(*this, ids);
}

void StackManager::undoLastConversion()
{
    UndoConversion::undoLastConversion(*this);
}

void StackManager::moveStacksToBin(const QList<QUuid>& ids)
{
    MoveToBin::moveStacksToBin(*this, ids);
}

void StackManager::uninstall()
{
    Uninstall::uninstall(*this);
}
