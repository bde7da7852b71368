#include "engine/StackManager.h"

#include "engine/AutoStacker.h"
#include "engine/BackgroundQueries.h"
#include "engine/FileAdder.h"
#include "engine/FolderSync.h"
#include "engine/HalfDoneMoves.h"
#include "engine/LaunchRestore.h"
#include "engine/ManagerWindowHost.h"
#include "engine/MoveReports.h"
#include "engine/Spreader.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackSelection.h"
#include "engine/StackWindows.h"
#include "engine/Stacker.h"
#include "engine/StorageChange.h"
#include "operations/AllFilesBack.h"
#include "operations/BinMover.h"
#include "operations/ConversionUndo.h"
#include "operations/Dissolver.h"
#include "operations/FolderConversion.h"
#include "operations/RunAsWork.h"
#include "operations/SelectionFlag.h"
#include "operations/StackRemoval.h"
#include "operations/StackRenamer.h"
#include "operations/UndoState.h"
#include "operations/Uninstaller.h"
#include "store/StackListFile.h"
#include "store/StorageFolders.h"

// Every part, made in the order of what it is built with.
struct StackManager::Parts
{
    Parts(const Services& s, StackManager& manager)
        : services(s)
        , undoState(*new UndoState(s.scheduler, &manager))
        , folders(s.paths, s.settings, s.fileSystem, s.folderGuard, s.cloudSync, s.wording)
        , listFile(s.paths, s.fileSystem)
        , files(s.paths, s.fileSystem, s.bookmarks, folders)
        , records(listFile, undoState, s.paths, s.alerts, s.scheduler, manager)
        , windows(
              s.windowFactory, [&manager] { return std::make_unique<ManagerWindowHost>(manager); },
              files, s.scheduler)
        , selection(records, windows, s.alerts, s.scheduler)
        , reports(s.alerts)
        , queries(s.scheduler)
        , removal(records, windows, selection, folders, s.alerts)
        , stacker(s.fileSystem, s.bookmarks, s.desktop, s.alerts, s.screens, s.firstRun, folders,
                  files, records, windows, reports, queries, removal)
        , spreader(s.fileSystem, s.bookmarks, s.desktop, s.alerts, s.scheduler, s.screens, folders,
                   files, records, windows, reports, removal, stacker, manager)
        , fileAdder(s.fileSystem, s.bookmarks, s.desktop, s.alerts, s.screens, s.paths, folders,
                    files, records, windows, reports, removal, stacker, spreader, manager)
        , autoStacker(s.fileSystem, s.desktop, s.alerts, s.scheduler, s.screens, s.firstRun, files,
                      records, reports, queries, stacker, fileAdder, manager)
        , folderSync(s.fileSystem, folders, files, records, windows, removal)
        , dissolver(s.alerts, s.scheduler, records, selection, windows, reports, removal, spreader,
                    manager)
        , conversion(records, windows, files, removal, s.fileSystem, s.bookmarks, s.desktop,
                     s.alerts, s.scheduler, s.screens, s.wording, undoState, manager)
        , conversionUndo(records, windows, files, folders, s.fileSystem, s.bookmarks, s.desktop,
                         s.alerts, s.scheduler, undoState, conversion, manager)
        , binMover(records, windows, files, removal, folders, queries, s.fileSystem, s.alerts,
                   s.scheduler, undoState, manager)
        , renamer(records, windows, s.alerts)
        , storageChange(records, windows, folders, s.settings, s.fileSystem, s.bookmarks, s.alerts,
                        s.workspace)
        , selectionFlag(queries, s.desktop, undoState)
        , allFilesBack(s.fileSystem, folders, files, records, removal, spreader, manager)
        , uninstaller(s.alerts, s.scheduler, s.fileSystem, s.paths, s.settings, s.wording,
                      s.program, folders, records, allFilesBack, manager)
        , halfDoneMoves(s.fileSystem, folders, files, records, stacker, spreader)
        , launch(s.paths, s.settings, s.fileSystem, s.bookmarks, s.screens, s.alerts, s.firstRun,
                 folders, listFile, files, records, windows, halfDoneMoves)
    {}

    StackOperations operations()
    {
        return StackOperations{records,
                               windows,
                               selection,
                               undoState,
                               files,
                               folders,
                               services.fileSystem,
                               reports,
                               stacker,
                               spreader,
                               fileAdder,
                               autoStacker,
                               folderSync,
                               removal,
                               dissolver,
                               conversion,
                               conversionUndo,
                               binMover,
                               renamer,
                               storageChange,
                               selectionFlag,
                               uninstaller};
    }

    Services services;
    UndoState& undoState;
    StorageFolders folders;
    StackListFile listFile;
    StackFiles files;
    StackRecords records;
    StackWindows windows;
    StackSelection selection;
    MoveReports reports;
    BackgroundQueries queries;
    StackRemoval removal;
    Stacker stacker;
    Spreader spreader;
    FileAdder fileAdder;
    AutoStacker autoStacker;
    FolderSync folderSync;
    Dissolver dissolver;
    FolderConversion conversion;
    ConversionUndo conversionUndo;
    BinMover binMover;
    StackRenamer renamer;
    StorageChange storageChange;
    SelectionFlag selectionFlag;
    AllFilesBack allFilesBack;
    Uninstaller uninstaller;
    HalfDoneMoves halfDoneMoves;
    LaunchRestore launch;
};

StackManager::StackManager(const Services& services, QObject* parent)
    : QObject(parent)
    , m_parts(std::make_unique<Parts>(services, *this))
    , m_operations(m_parts->operations())
{}

StackManager::~StackManager()
{
    // Windows go before the rest of the manager: a window may still look at it while it closes.
    m_parts->windows.clear();
}

const QList<DesktopStack>& StackManager::stacks() const
{
    return m_parts->records.all();
}

void StackManager::storeStack(const DesktopStack& stack)
{
    m_parts->records.store(stack);
    m_parts->windows.showWindow(stack);
}

std::optional<DesktopStack> StackManager::stackWithID(const QUuid& id) const
{
    return m_parts->records.withID(id);
}

void StackManager::stackSelection(WorkToken token, SelectionSource source)
{
    m_parts->stacker.stackSelection(std::move(token), source);
}

void StackManager::stackFiles(const QList<DesktopFile>& files, const std::optional<QString>& name,
                              QPointF windowOrigin)
{
    m_parts->stacker.stackFiles(files, name, windowOrigin);
}

void StackManager::stackFilesAtPoint(const QList<DesktopFile>& files, QPointF point)
{
    Stacker& stacker = m_parts->stacker;
    startWork(
        m_parts->services.scheduler, m_parts->undoState, *this, std::chrono::milliseconds(0),
        [&stacker, files, point](const WorkToken&) { stacker.stackFilesAtPoint(files, point); });
}

void StackManager::autoStackByType(const WorkToken& token)
{
    m_parts->autoStacker.autoStackByType(token);
}

void StackManager::addFiles(const QStringList& paths, const QUuid& id)
{
    m_parts->fileAdder.addFiles(paths, id);
}

bool StackManager::spread(const QUuid& id, bool inGrid)
{
    return m_parts->spreader.spread(id, inGrid);
}

void StackManager::restack(const QUuid& id, bool letMovedLeave)
{
    m_parts->spreader.restack(id, letMovedLeave);
}

void StackManager::arrangeInGrid(const QUuid& id)
{
    m_parts->spreader.arrangeInGrid(id);
}

void StackManager::runAsWork(Work operation)
{
    ::runAsWork(m_parts->services.scheduler, m_parts->undoState, *this, std::move(operation));
}

void StackManager::dissolveAll()
{
    m_parts->dissolver.dissolveAll();
}

void StackManager::convertAll()
{
    m_parts->conversion.convertAll();
}

void StackManager::undoLastConversion()
{
    m_parts->conversionUndo.undoLastConversion();
}

bool StackManager::changeStorageLocation(StorageLocation to)
{
    return m_parts->storageChange.changeStorageLocation(to);
}

void StackManager::showHelp()
{
    m_parts->storageChange.showHelp();
}

void StackManager::uninstall()
{
    m_parts->uninstaller.uninstall();
}

void StackManager::restoreAtLaunch()
{
    m_parts->launch.restoreAtLaunch();
}
