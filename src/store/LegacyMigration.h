#pragma once

#include "store/DesktopStack.h"

#include <QList>
#include <QString>
#include <QStringList>

class Bookmarks;
class FileSystem;
class Paths;
class Settings;
class StorageFolders;

// Brings files kept in other places into the storage folder at launch: the storage folder of
// the other location, the two storage folders of older versions, and the per-stack folders of
// the oldest layout. Folders are only moved, merged, or removed once nothing is left in them;
// every failure is logged and the rest goes on.
//
// The older places are only read and emptied, never created. A place that is not a real
// folder (a file, or a symbolic link that would lead the moves out of the user's folders) is
// left alone.
class LegacyMigration
{
public:
    LegacyMigration(const Paths& paths, Settings& settings, StorageFolders& folders,
                    FileSystem& fileSystem, Bookmarks& bookmarks);

    // Desktop/Tidora, then Documents/Tidorama: older storage folders, one stack per subfolder.
    const QStringList& legacyStorageFolders() const { return m_legacyStorageFolders; }

    // Points the location setting at the folder that holds the files: when only the other
    // location's folder holds any, the setting switches to it; when both do, the other one is
    // merged into the current one.
    void adoptStorageLocation();

    // Moves what lies in `folder` into the storage folder: the whole folder when there is no
    // storage folder yet and it holds only stack folders, otherwise each subfolder under a
    // unique name and the loose files together in a new stack folder; then removes the folder
    // if nothing but ".DS_Store" and a README of ours is left. Records are not touched: their
    // folders are found again through the bookmarks.
    void mergeFolderIntoStorage(const QString& folder);

    // Gives records of the oldest layout (no folder name) a folder in the storage folder, and
    // moves what else lies in the per-stack folder in as "Recovered files". True when a record
    // changed (the caller saves).
    bool migrateLegacyStacks(QList<DesktopStack>& stacks);

private:
    // A real folder that is neither the storage folder nor around it.
    bool isMergeable(const QString& folder) const;
    // Subfolders only, besides ".DS_Store" and a README of ours.
    bool holdsOnlyStackFolders(const QString& folder) const;
    // Into the "Recovered files" folder made for the first of them (`looseFiles`).
    void moveLooseFile(const QString& path, QString& looseFiles, const char* verb);
    // Moves a record's old folder in under its sanitized name; true when it moved.
    bool migrate(DesktopStack& stack);
    void recoverLegacyEntries(const QString& legacy, const QList<DesktopStack>& stacks);

    Settings& m_settings;
    StorageFolders& m_folders;
    FileSystem& m_fileSystem;
    Bookmarks& m_bookmarks;
    QStringList m_legacyStorageFolders;
};
