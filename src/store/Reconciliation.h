#pragma once

#include "platform/TidoraError.h"
#include "store/DesktopStack.h"
#include "store/LegacyMigration.h"
#include "store/RecordRepair.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

class Bookmarks;
class FileSystem;
class Paths;
class Screens;
class Settings;
class StorageFolders;

// What the launch repairs found, for the report.
struct [[nodiscard]] ReconciliationResult
{
    // Stacks that took back files found in their folder.
    QStringList restored;
    // Stacks made from folders nobody listed.
    QStringList recovered;
    // Stacks whose files a stop had left half moved, moved where the stack's state says.
    QStringList finished;
    // Items whose bookmark leads outside the places a stack keeps files, each entry the item
    // names and their stack's, as the report words them. Such files are left where they are.
    QStringList outside;
    // Where the stacks file was set aside, when it could not be used.
    std::optional<QString> setAside;
};

// Reconciles the stack records with the storage folders at launch: brings files kept in other
// and older places into the storage folder, repairs the records against what lies there, and
// words what the user must be told. Files are never copied or deleted: everything found is
// matched to a record or becomes one, and folders are only moved, merged, or removed once
// nothing is left in them.
//
// The caller owns the list, the windows and the alerts.
class Reconciliation
{
public:
    // Called after every step that changed the record list, to bring what depends on it up to
    // date and save it.
    using ListChanged = std::function<void()>;

    Reconciliation(const Paths& paths, Settings& settings, StorageFolders& folders,
                   FileSystem& fileSystem, Bookmarks& bookmarks, const Screens& screens);

    // Everything between loading the list and opening the windows, in order: adopt the
    // location that holds the files, merge the older storage folders (Desktop first), migrate
    // the oldest layout, give repeated ids fresh ones, refresh the bookmarks, restore missing
    // items, recover orphan folders, then bring the storage folder's README up to date (when it
    // exists) and protect the folders.
    ReconciliationResult repair(QList<DesktopStack>& stacks, const ListChanged& listChanged);

    // The warning about gathered stacks with files whose folder is missing (code 3); nothing
    // when there are none.
    std::optional<TidoraError> missingFoldersWarning(const QList<DesktopStack>& stacks) const;
    // The report of what was restored and recovered (code 5); nothing when there was neither.
    std::optional<TidoraError> launchReport(const ReconciliationResult& result) const;

    LegacyMigration& legacy() { return m_legacy; }
    RecordRepair& records() { return m_records; }

private:
    StorageFolders& m_folders;
    FileSystem& m_fileSystem;
    LegacyMigration m_legacy;
    RecordRepair m_records;
};
