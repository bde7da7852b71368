#include "engine/StackManager.h"

#include "engine/AddFiles.h"
#include "engine/AutoStack.h"
#include "engine/ManagerWindowHost.h"
#include "engine/Spreading.h"
#include "engine/StackWindowFactory.h"
#include "engine/StackWindowPort.h"
#include "engine/Stacking.h"
#include "operations/Dissolve.h"
#include "operations/RunAsWork.h"
#include "operations/StackRemoval.h"
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
    , m_undoState(new UndoState(services.scheduler, this))
    , m_folders(services.paths, services.settings, services.fileSystem, services.folderGuard,
                services.cloudSync, services.wording)
    , m_stackListFile(services.paths, services.fileSystem)
    , m_files(services.paths, services.fileSystem, services.bookmarks, m_folders)
    , m_records(m_stackListFile, *m_undoState, services.paths, services.alerts, services.scheduler,
                *this)
    , m_windows(
          services.windowFactory, [this] { return std::make_unique<ManagerWindowHost>(*this); },
          m_files, services.scheduler)
    , m_selection(m_records, m_windows, services.alerts, services.scheduler)
    , m_reports(services.alerts)
    , m_queries(services.scheduler)
    , m_removal(m_records, m_windows, m_selection, m_folders, services.alerts)
    , m_selectionFlag(m_queries, services.desktop, *m_undoState)
    , m_renamer(m_records, m_windows, services.alerts)
    , m_storageChange(m_records, m_windows, m_folders, services.settings, services.fileSystem,
                      services.bookmarks, services.alerts, services.workspace)
    , m_conversion(m_records, m_windows, m_files, m_removal, services.fileSystem,
                   services.bookmarks, services.desktop, services.alerts, services.scheduler,
                   services.screens, services.wording, *m_undoState, *this)
    , m_conversionUndo(m_records, m_windows, m_files, m_folders, services.fileSystem,
                       services.bookmarks, services.desktop, services.alerts, services.scheduler,
                       *m_undoState, m_conversion, *this)
    , m_binMover(m_records, m_windows, m_files, m_removal, m_folders, m_queries,
                 services.fileSystem, services.alerts, services.scheduler, *m_undoState, *this)
{}

StackManager::~StackManager()
{
    // Windows go before the rest of the manager: a window may still look at it while it closes.
    m_windows.clear();
}

void StackManager::storeStack(const DesktopStack& stack)
{
    storeStack(stack, m_files.resolvedFiles(stack));
}

void StackManager::storeStack(const DesktopStack& stack, const QStringList& files)
{
    m_records.store(stack);
    m_windows.showWindow(stack, files);
}

std::optional<DesktopStack> StackManager::stackWithID(const QUuid& id) const
{
    return m_records.withID(id);
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
    m_removal.removeStack(id, reportLeftovers);
}

void StackManager::refreshSelectionFlag()
{
    m_selectionFlag.refresh();
}

void StackManager::runAsWork(Work operation)
{
    ::runAsWork(m_services.scheduler, *m_undoState, *this, std::move(operation));
}

void StackManager::renameStack(const QUuid& id)
{
    m_renamer.renameStack(id);
}

bool StackManager::endGroupDrag()
{
    return mergeDropped(*this, m_selection.endGroupDrag());
}

bool StackManager::changeStorageLocation(StorageLocation to)
{
    return m_storageChange.changeStorageLocation(to);
}

void StackManager::revertStorageMove(const QList<StorageMove>& moves, StorageLocation from,
                                     StorageLocation to, const QString& reason)
{
    m_storageChange.revertStorageMove(moves, from, to, reason);
}

void StackManager::showHelp()
{
    m_storageChange.showHelp();
}

bool StackManager::showFirstRunAlert(bool beforeStacking)
{
    return m_services.firstRun.showFirstRunAlert(beforeStacking);
}

void StackManager::convertAll()
{
    m_conversion.convertAll();
}

void StackManager::convertStacks(const QList<QUuid>& ids)
{
    m_conversion.convertStacks(ids);
}

void StackManager::undoLastConversion()
{
    m_conversionUndo.undoLastConversion();
}

void StackManager::moveStacksToBin(const QList<QUuid>& ids)
{
    m_binMover.moveStacksToBin(ids);
}

void StackManager::uninstall()
{
    Uninstall::uninstall(*this);
}
