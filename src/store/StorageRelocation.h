#pragma once

#include "platform/Alerts.h"
#include "platform/TidoraError.h"
#include "store/DesktopStack.h"
#include "store/StorageLocation.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Bookmarks;
class FileSystem;
class Settings;
class StorageFolders;

// One entry of the storage folder moved to the other storage folder.
struct StorageMove
{
    QString from;
    QString to;

    friend bool operator==(const StorageMove&, const StorageMove&) = default;
};

// Moving every stack folder from one storage folder to the other, all or nothing: when one
// entry cannot move, the ones moved before it go back and the setting returns to the old place.
// The caller confirms first, stores the records it gets back and refreshes the windows.
class StorageRelocation
{
public:
    // What a move did.
    struct [[nodiscard]] Outcome
    {
        // The move completed: the records with their new folder names and bookmarks.
        std::optional<QList<DesktopStack>> stacks;
        // The move failed and was undone: the alert to show (code 6).
        std::optional<TidoraError> error;
    };

    StorageRelocation(StorageFolders& folders, Settings& settings, FileSystem& fileSystem,
                      Bookmarks& bookmarks);

    // The entries of the location's folder that a move takes along: everything but ".DS_Store"
    // and "README.txt", in listing order. Empty when the folder cannot be listed.
    QStringList entriesToMove(StorageLocation from) const;
    // "Move stacked files to …?", counting the gathered stacks that hold files.
    Alert confirmation(const QList<DesktopStack>& stacks, StorageLocation from,
                       StorageLocation to) const;

    // Writes the new location, then moves `entries` from the old folder into the new one
    // (a name taken there gets " 2", " 3", …); the records follow their folders and every
    // bookmark is made anew. The old folder goes when nothing is left in it.
    Outcome relocate(const QList<DesktopStack>& stacks, StorageLocation from, StorageLocation to,
                     const QStringList& entries);

    // Puts the moved entries back, most recent first (one that cannot go back stays where it
    // is: nothing is deleted), removes the new folder when nothing is left in it, writes the
    // old location again and answers the alert to show.
    TidoraError revertStorageMove(const QList<StorageMove>& moves, StorageLocation from,
                                  StorageLocation to, const QString& reason);

private:
    StorageFolders& m_folders;
    Settings& m_settings;
    FileSystem& m_fileSystem;
    Bookmarks& m_bookmarks;
};
