#pragma once

#include "platform/Status.h"
#include "store/StorageLocation.h"

#include <QSet>
#include <QString>
#include <QStringList>

class CloudSync;
class FileSystem;
class FolderGuard;
class Paths;
class Settings;
struct DesktopStack;
struct Wording;

// The storage folders: where stacked files live, how stack folders are named, found, created,
// protected and removed, and the README kept in the storage folder. Every path of a stack file
// comes from here. All file steps go through the FileSystem port; the location setting is
// read afresh on every call, so a change takes effect at once.
class StorageFolders
{
public:
    StorageFolders(const Paths& paths, const Settings& settings, FileSystem& fileSystem,
                   FolderGuard& guard, const CloudSync& cloudSync, const Wording& wording);

    // Names that never count as content of a storage or stack folder (exact comparison).
    static bool isIgnoredName(const QString& name);

    // The "storageLocation" setting; when it is missing or unknown, desktop if the Desktop
    // syncs with a cloud service, otherwise documents. The default is not written back.
    StorageLocation currentStorageLocation() const;
    // Whether a cloud service syncs the Desktop folder.
    bool desktopSyncsWithICloud() const;

    // The folder of a location; without one, of the current location (the storage folder).
    QString storageFolder(StorageLocation location) const;
    QString storageFolder() const;
    // The current storage folder first, then the other.
    QStringList allStorageFolders() const;
    // A location's folder as the user reads it ("~/Documents/.Tidora").
    QString displayPath(StorageLocation location) const;
    QString label(StorageLocation location) const;
    // Desktop/.Tidorama, where records without a folder name keep their files.
    QString legacyStackFolder() const;

    // The stack's folder: the storage folder + its folder name, or, for a record without one,
    // the legacy folder + its id in upper case.
    QString stackFolderURL(const DesktopStack& stack) const;
    // The same inside a storage folder the caller already looked up: finding the current one
    // reads the setting (and may ask the cloud clients), too much for every record of a list.
    QString stackFolderURL(const DesktopStack& stack, const QString& storageFolder) const;

    // A folder name from a stack name: "/" and ":" become "-", white space and line breaks
    // (Unicode's, not only ASCII) are trimmed, leading dots dropped; "Stack" when nothing is
    // left. NUL also becomes "-", and the name is cut to what a file system takes (255 bytes).
    static QString sanitizedFolderName(const QString& name);
    // `base`, cut at a character boundary, followed by `suffix`, within what one file name may
    // hold (255 bytes).
    static QString fittedName(const QString& base, const QString& suffix);
    // The sanitized name, or "name 2", "name 3", … : the first that nothing in the storage
    // folder (file or folder) already has, and none of `claimed` (the folder names records
    // hold, whose folders need not be on the disk: a spread stack's may be gone).
    QString uniqueFolderName(const QString& name, const QSet<QString>& claimed = {}) const;

    // Creates the folder (and its parents) and protects it; the failure goes to the caller.
    Status createStackFolder(const QString& folder);
    // Whether the folder holds anything but the ignored names. An entry whose name is not
    // valid UTF-8 is content; a folder that cannot be listed has none.
    bool folderHasContent(const QString& folder) const;
    bool isEffectivelyEmpty(const QString& folder) const;
    // Removes a folder that holds nothing but the ignored names: lifts its protection, removes
    // ".DS_Store" and a README.txt of ours, then the folder if it is empty by then. Never
    // removes anything else: a README the user wrote, or a file that arrived in the meantime,
    // keeps the folder (protected again) in place.
    void removeFolder(const QString& folder);
    // Removes the stack's folder when it holds nothing but ".DS_Store" (or cannot be listed),
    // and then every storage folder left with nothing but ".DS_Store" and "README.txt". False,
    // with nothing removed, when files remain in the stack's folder. A link in its place is left
    // alone (true).
    bool removeStackFolderIfEmpty(const DesktopStack& stack);

    // Creates the storage folder (failure to the caller), protects it and brings its README up
    // to date. The README is written when there is none, and rewritten only when it is one of
    // ours whose text differs (atomically, failure ignored); never through a symbolic link.
    Status ensureStorageFolder();
    // At launch: protects the storage folder and every folder directly inside it.
    void protectStackFolders();
    void protectFolder(const QString& folder);
    void unprotectFolder(const QString& folder);

    // The help text for the current location (or the given one), and the README built from it.
    QString helpText() const;
    QString helpText(StorageLocation current) const;
    QString readmeText() const;
    QString readmeText(StorageLocation current) const;
    // Whether the file is a README the program wrote: the text for either location, exactly.
    // Anything else, a user's edit included, is the user's own.
    bool isOwnReadme(const QString& path) const;

    const Wording& wording() const { return m_wording; }
    const Paths& paths() const { return m_paths; }

private:
    const Paths& m_paths;
    const Settings& m_settings;
    FileSystem& m_fileSystem;
    FolderGuard& m_guard;
    const CloudSync& m_cloudSync;
    const Wording& m_wording;
};
