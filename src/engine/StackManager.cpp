#include "engine/StackManager.h"

#include "engine/StackWindowFactory.h"
#include "engine/StackWindowPort.h"
#include "engine/StoragePlaces.h"
#include "operations/ConvertToFolders.h"
#include "operations/MoveToBin.h"
#include "operations/RunAsWork.h"
#include "operations/SelectionFlag.h"
#include "operations/StackRemoval.h"
#include "operations/StackRename.h"
#include "operations/UndoConversion.h"
#include "operations/UndoState.h"
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
    , m_windows(services.windowFactory, *this, m_files, services.scheduler)
    , m_selection(m_records, m_windows, services.alerts)
    , m_reports(services.alerts)
    , m_queries(services.scheduler)
    , m_removal(m_records, m_windows, m_selection, m_folders, services.alerts)
    , m_stacker(services.fileSystem, services.bookmarks, services.desktop, services.alerts,
                services.screens, services.firstRun, m_folders, m_files, m_records, m_windows,
                m_reports, m_queries, m_removal)
    , m_spreader(services.fileSystem, services.bookmarks, services.desktop, services.alerts,
                 services.scheduler, services.screens, m_folders, m_files, m_records, m_windows,
                 m_reports, m_removal, m_stacker, *this)
    , m_fileAdder(services.fileSystem, services.bookmarks, services.desktop, services.alerts,
                  services.screens, services.paths, m_folders, m_files, m_records, m_windows,
                  m_reports, m_removal, m_stacker, m_spreader, *this)
    , m_autoStacker(services.fileSystem, services.desktop, services.alerts, services.scheduler,
                    services.screens, services.firstRun, m_files, m_records, m_reports, m_queries,
                    m_stacker, m_fileAdder, *this)
    , m_folderSync(services.fileSystem, m_folders, m_files, m_records, m_windows, m_removal)
    , m_dissolver(services.alerts, services.scheduler, m_records, m_selection, m_windows, m_reports,
                  m_removal, m_spreader, *this)
    , m_allFilesBack(services.fileSystem, m_folders, m_files, m_records, m_removal, m_spreader,
                     *this)
    , m_uninstaller(services.alerts, services.scheduler, services.fileSystem, services.paths,
                    services.settings, services.wording, services.program, m_folders, m_records,
                    m_allFilesBack, *this)
    , m_halfDoneMoves(services.fileSystem, m_folders, m_files, m_records, m_stacker, m_spreader)
    , m_launch(services.paths, services.settings, services.fileSystem, services.bookmarks,
               services.screens, services.alerts, services.firstRun, m_folders, m_stackListFile,
               m_files, m_records, m_windows, m_halfDoneMoves)
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
    m_stacker.stackSelection(std::move(token));
}

void StackManager::stackFiles(const QList<DesktopFile>& files, const std::optional<QString>& name,
                              QPointF windowOrigin)
{
    m_stacker.stackFiles(files, name, windowOrigin);
}

void StackManager::stackFilesAtPoint(const QList<DesktopFile>& files, QPointF point)
{
    // Run as work, which still goes through the manager.
    startWork(*this, std::chrono::milliseconds(0),
              [this, files, point](WorkToken) { m_stacker.stackFilesAtPoint(files, point); });
}

void StackManager::autoStackByType(WorkToken token)
{
    m_autoStacker.autoStackByType(std::move(token));
}

QString StackManager::defaultStackName(const QStringList& paths) const
{
    return m_stacker.defaultStackName(paths);
}

QPointF StackManager::defaultWindowOrigin(const QList<DesktopFile>& files) const
{
    return m_stacker.defaultWindowOrigin(files);
}

Status StackManager::gatherIntoFolder(DesktopStack& stack)
{
    return m_stacker.gatherIntoFolder(stack);
}

void StackManager::discardEmptyStack(const DesktopStack& stack)
{
    m_stacker.discardEmptyStack(stack);
}

void StackManager::addFiles(const QStringList& paths, const QUuid& id)
{
    m_fileAdder.addFiles(paths, id);
}

void StackManager::syncWithFolder(const QUuid& id)
{
    m_folderSync.syncWithFolder(id);
}

bool StackManager::spread(const QUuid& id, bool inGrid)
{
    return m_spreader.spread(id, inGrid);
}

void StackManager::restack(const QUuid& id, bool letMovedLeave)
{
    m_spreader.restack(id, letMovedLeave);
}

void StackManager::arrangeInGrid(const QUuid& id)
{
    m_spreader.arrangeInGrid(id);
}

QList<QPointF> StackManager::gridPositions(int count, const DesktopStack& stack)
{
    return m_spreader.gridPositions(count, stack);
}

void StackManager::refreshPositions(const QUuid& id)
{
    m_spreader.refreshPositions(id);
}

void StackManager::placeIcons(const QList<NamedPosition>& placements, const QUuid& id)
{
    m_spreader.placeIcons(placements, id);
}

QList<QUuid> StackManager::targetsOfWindowCommand(const QUuid& id) const
{
    return m_dissolver.targetsOfWindowCommand(id);
}

void StackManager::dissolveFromMenu(const QUuid& id)
{
    m_dissolver.dissolveFromMenu(id);
}

void StackManager::dissolveAfterAnimation(const QUuid& id)
{
    m_dissolver.dissolveAfterAnimation(id);
}

void StackManager::dissolveAll()
{
    m_dissolver.dissolveAll();
}

void StackManager::removeStack(const QUuid& id, bool reportLeftovers)
{
    m_removal.removeStack(id, reportLeftovers);
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

bool StackManager::endGroupDrag()
{
    return m_fileAdder.mergeDropped(m_selection.endGroupDrag());
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
    m_uninstaller.uninstall();
}

void StackManager::restoreAtLaunch()
{
    m_launch.restoreAtLaunch();
}
