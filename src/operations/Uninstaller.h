#pragma once

#include "platform/RunningProgram.h"

#include <QString>

class Alerts;
class AllFilesBack;
class FileSystem;
class Paths;
class QObject;
class Scheduler;
class Settings;
class StackRecords;
class StorageFolders;
struct Wording;

// "Uninstall Tidora…": every file back on the Desktop first, then the program's own traces and
// the program itself; nothing of the program is removed while any file is still in a storage
// folder.
class Uninstaller
{
public:
    // `context`: the finishing step is dropped when it goes.
    Uninstaller(Alerts& alerts, Scheduler& scheduler, FileSystem& fs, const Paths& paths,
                Settings& settings, const Wording& wording, RunningProgram& program,
                const StorageFolders& folders, const StackRecords& records,
                AllFilesBack& allFilesBack, QObject& context);

    // Asks (with a checkbox to tick when there is anything to give back), gives every file back,
    // and 1.2 s later finishes: either tells the user where files were left and keeps running,
    // or removes the stacks file, the settings, the autostart entry and the program, then quits.
    void uninstall();

    // The autostart entry that starts the program at login.
    static QString autostartEntry(const QString& configRoot);

private:
    // How the program goes, by how it was installed, with where it is filled in.
    struct Removal
    {
        Installation installation;
        QString confirmation;
        QString message;
        QString text;
    };
    Removal removal() const;
    bool uninstallConfirmed(const Removal& removal, bool anything);
    void removeTraces(const Removal& removal, bool gaveBack);
    void finish(const Removal& removal, bool gaveBack);

    Alerts& m_alerts;
    Scheduler& m_scheduler;
    FileSystem& m_fs;
    const Paths& m_paths;
    Settings& m_settings;
    const Wording& m_wording;
    RunningProgram& m_program;
    const StorageFolders& m_folders;
    const StackRecords& m_records;
    AllFilesBack& m_allFilesBack;
    QObject& m_context;
};
