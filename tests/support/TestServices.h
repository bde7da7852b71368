#pragma once

#include "FakeDesktop.h"
#include "FakeStackWindowFactory.h"
#include "FaultyFileSystem.h"
#include "FileInvariant.h"
#include "FixedScreens.h"
#include "MemorySettings.h"
#include "RecordingFolderGuard.h"
#include "RecordingProgram.h"
#include "RecordingWorkspace.h"
#include "ScriptedAlerts.h"
#include "ScriptedFirstRun.h"
#include "TempHome.h"
#include "VirtualScheduler.h"
#include "engine/Services.h"
#include "platform/Wording.h"
#include "platform/linux/InodeBookmarks.h"
#include "platform/linux/LinuxCloudSync.h"
#include "platform/linux/LinuxPaths.h"
#include "store/StorageFolders.h"

#include <QPointF>
#include <QStringList>

#include <memory>
#include <optional>

class StackManager;

// Everything a StackManager needs, on a fresh temporary home: real files really moved (through
// FaultyFileSystem, so single steps can be made to fail), real bookmarks, and fakes for the
// desktop program, the windows, the alerts, the screens and time.
//
//     TestServices t;
//     t.addDesktopFile("a.png", {100, 100});
//     t.manager().stackFiles(t.desktopFiles({"a.png"}), std::nullopt, {0, 0});
//     t.scheduler.runUntilIdle();
//     TIDORA_CHECK_INVARIANT(t.invariant);
//
// Build one per test. The members are public so tests script and inspect them directly; the
// invariant tracks every file made with addDesktopFile or invariant.addFile.
class TestServices
{
public:
    TestServices();
    ~TestServices();
    TestServices(const TestServices&) = delete;
    TestServices& operator=(const TestServices&) = delete;

    // Declared first: the environment must point into the home before the paths are read.
    TempHome home;
    LinuxPaths paths;
    MemorySettings settings;
    RecordingFolderGuard guard;
    FaultyFileSystem fs;
    LinuxCloudSync cloud{paths};
    Wording wording;
    // The storage folders as the manager sees them (the same settings and disk).
    StorageFolders folders{paths, settings, fs, guard, cloud, wording};
    VirtualScheduler scheduler;
    ScriptedAlerts alerts;
    FixedScreens screens;
    FakeDesktop desktop{paths.desktop(), fs};
    FakeStackWindowFactory windows{scheduler};
    ScriptedFirstRun firstRun;
    RecordingWorkspace workspace;
    RecordingProgram program;
    FileInvariant invariant{home};

    // The bookmarks of the current "process": wired like the application's, renewed by
    // relaunch().
    InodeBookmarks& bookmarks();
    Services services();

    // The manager, made on first use (without a launch step).
    StackManager& manager();
    // Ends the current manager as a quit would (its pending tasks are dropped, its windows go)
    // and starts a fresh one on the same home with fresh bookmarks, through restoreAtLaunch.
    StackManager& relaunch();

    // --- Helpers ------------------------------------------------------------------------------

    QString desktopPath(const QString& name) const;
    QString storageFolder() const { return folders.storageFolder(); }
    // A tracked file on the Desktop, its icon at `icon` (none: the desktop program's choice).
    QString addDesktopFile(const QString& name, std::optional<QPointF> icon = std::nullopt);
    // The Desktop items with these names, with their icons' positions, as a selection gives
    // them.
    QList<DesktopFile> desktopFiles(const QStringList& names);
    // Stacks these Desktop files through stackFiles (origin: the icons' centre) and answers
    // the new record; nothing when no stack was made.
    std::optional<DesktopStack> stack(const QStringList& names,
                                      std::optional<QString> name = std::nullopt);
    // Tracked Desktop files with these names, then stacked: the new record (throws when no stack
    // was made, failing the test).
    DesktopStack stackNew(const QStringList& names, std::optional<QString> name = std::nullopt);
    void addDesktopFiles(const QStringList& names);
    // The record now, by id (the manager's copy).
    std::optional<DesktopStack> record(const QUuid& id);
    // The folder the record's files are gathered in.
    QString stackFolder(const DesktopStack& stack) const;
    // The item names of a record, in order.
    static QStringList itemNames(const DesktopStack& stack);
    // The names in a folder, sorted; empty when it cannot be listed.
    QStringList namesIn(const QString& folder) const;

private:
    std::unique_ptr<InodeBookmarks> m_bookmarks;
    std::unique_ptr<StackManager> m_manager;
};
